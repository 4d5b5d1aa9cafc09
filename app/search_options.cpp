#include "app/search_options.h"

#include "app/search_controller.h"
#include "foundation/user_defaults_getters.h"
#include "interface/colors.h"
#include "interface/controls.h"
#include "platform/user_defaults.h"
#include "search/search_params.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvant {

namespace {

const QString kSearchWhat = QStringLiteral("SearchWhat");
const QString kSearchComparison = QStringLiteral("SearchComparison");
const QString kSearchOperator = QStringLiteral("SearchOperator");
const QString kSearchType = QStringLiteral("SearchType");
const QString kSearchInvisibles = QStringLiteral("SearchInvisibles");
const QString kSearchPackages = QStringLiteral("SearchPackages");

// The options' frame: as large as the options where there is room (a plain
// scroll area caps its size hint at a few dozen lines of text), as small as
// a scroll bar's length where there is not.
class OptionsScrollArea : public QScrollArea
{
public:
    explicit OptionsScrollArea(QWidget* parent) : QScrollArea(parent)
    {
        setObjectName(QStringLiteral("searchOptionsFrame"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }

    // The options' size changes (once polished, in another language) are
    // told to the window's layout: the options are not in it themselves.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }

    QSize sizeHint() const override
    {
        const int frame = 2 * frameWidth();
        return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
    }

    QSize minimumSizeHint() const override
    {
        // As wide as the widest group of options beside a scroll bar, so a
        // group scrolled into view is seen whole; a scroll bar and two lines
        // of options high.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        int widest = 4 * bar;
        if (widget()) {
            for (const QWidget* group : widget()->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
                widest = std::max(widest, group->sizeHint().width() + bar + 2 * frameWidth());
        }
        const int line = fontMetrics().height();
        return QSize(widest, std::min(sizeHint().height(), bar + 3 * line));
    }
};

} // namespace

SearchOptions::SearchOptions(UserDefaults& defaults, QWidget* parent) : QWidget(parent), m_defaults(defaults)
{
    setObjectName(QStringLiteral("searchOptions"));
    applyReadablePalette(this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto makeBox = [this](const char* name, const QString& title) {
        auto* check = new QCheckBox(title, this);
        check->setObjectName(QString::fromLatin1(name));
        return check;
    };
    m_name = makeBox("searchName", QStringLiteral("Names"));
    m_content = makeBox("searchContent", QStringLiteral("Contents"));
    m_tags = makeBox("searchTags", QStringLiteral("Tags"));
    m_comments = makeBox("searchComments", QStringLiteral("Comments"));
    m_caseInsensitive = makeBox("searchCaseInsensitive", QStringLiteral("Ignore case"));
    m_noUmlauts = makeBox("searchNoUmlauts", QStringLiteral("Ignore diacritics"));
    m_fuzzy = makeBox("searchFuzzy", QStringLiteral("Fuzzy"));
    m_invisibles = makeBox("searchInvisibles", QStringLiteral("Invisible items"));
    m_packages = makeBox("searchPackages", QStringLiteral("Package contents"));

    auto* what = new QGroupBox(QStringLiteral("Search in"), this);
    auto* whatLayout = new QVBoxLayout(what);
    for (QCheckBox* check : {m_name, m_content, m_tags, m_comments})
        whatLayout->addWidget(check);

    auto* mode = new QGroupBox(QStringLiteral("Match"), this);
    auto* modeLayout = new QGridLayout(mode);
    m_mode = new QButtonGroup(this);
    const QStringList modes = {QStringLiteral("All words"), QStringLiteral("Any word"),
                               QStringLiteral("Phrase"),    QStringLiteral("Wildcards"),
                               QStringLiteral("Query terms"), QStringLiteral("Regular expression")};
    for (int tag = 0; tag < modes.size(); ++tag) {
        auto* radio = new QRadioButton(modes.at(tag), mode);
        m_mode->addButton(radio, tag);
        modeLayout->addWidget(radio, tag % 3, tag / 3);
    }
    connect(m_mode, &QButtonGroup::idClicked, this, &SearchOptions::didChangeMode);

    auto* compare = new QGroupBox(QStringLiteral("Compare"), this);
    auto* compareLayout = new QVBoxLayout(compare);
    for (QCheckBox* check : {m_caseInsensitive, m_noUmlauts, m_fuzzy})
        compareLayout->addWidget(check);

    auto* items = new QGroupBox(QStringLiteral("Find"), this);
    auto* itemsLayout = new QVBoxLayout(items);
    m_type = new QButtonGroup(this);
    const QStringList types = {QStringLiteral("Files"), QStringLiteral("Folders"),
                               QStringLiteral("Files and folders")};
    for (int tag = 1; tag <= types.size(); ++tag) {
        auto* radio = new QRadioButton(types.at(tag - 1), items);
        m_type->addButton(radio, tag);
        itemsLayout->addWidget(radio);
    }
    connect(m_type, &QButtonGroup::idClicked, this, &SearchOptions::didChangeType);
    itemsLayout->addWidget(m_invisibles);
    itemsLayout->addWidget(m_packages);

    grid->addWidget(what, 0, 0);
    grid->addWidget(mode, 0, 1);
    grid->addWidget(compare, 0, 2);
    grid->addWidget(items, 0, 3);
    grid->setColumnStretch(4, 1);
    useReadableIndicators(this);
}

QWidget* SearchOptions::putInScrollingFrame(QWidget* parent)
{
    auto* frame = new OptionsScrollArea(parent);
    frame->setWidget(this);
    // The frame shows the window behind it, as the box did.
    frame->viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    return frame;
}

void SearchOptions::applyReadablePalette(QWidget* controls)
{
    if (!controls)
        return;
    QPalette palette = QApplication::palette();
    const QColor window = palette.color(QPalette::Window);
    if (window.lightnessF() < 0.5) {
        // A part of the text colour mixed in: works for a black window too.
        const QColor text = palette.color(QPalette::WindowText);
        for (const auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Base, mixedColor(window, text, 0.25));
        palette.setColor(QPalette::Disabled, QPalette::Base, mixedColor(window, text, 0.12));
    }
    controls->setPalette(palette);
    useReadableIndicators(controls);
}

void SearchOptions::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange)
        applyReadablePalette(this);
}

// --- the controls and their values ---------------------------------------------------------

QCheckBox* SearchOptions::checkBox(const char* name) const
{
    return findChild<QCheckBox*>(QString::fromLatin1(name));
}

QAbstractButton* SearchOptions::modeButton(int mode) const
{
    return m_mode->button(mode);
}

QAbstractButton* SearchOptions::typeButton(int type) const
{
    return m_type->button(type);
}

std::uint64_t SearchOptions::what() const
{
    const auto bit = [](const QCheckBox* box, std::uint64_t value) { return box->isChecked() ? value : 0U; };
    return bit(m_name, kSearchNames) | bit(m_content, kSearchContents) | bit(m_tags, kSearchTags)
           | bit(m_comments, kSearchComments);
}

std::uint64_t SearchOptions::comparison() const
{
    return (m_caseInsensitive->isChecked() ? 1U : 0U) | (m_noUmlauts->isChecked() ? 2U : 0U)
           | (m_fuzzy->isChecked() ? 4U : 0U);
}

int SearchOptions::mode() const
{
    return m_mode->checkedId();
}

int SearchOptions::type() const
{
    return m_type->checkedId();
}

void SearchOptions::fill(SearchRequest& request) const
{
    request.what = what();
    request.comparison = comparison();
    request.mode = std::uint64_t(mode());
    request.type = std::uint64_t(type());
    request.invisibles = m_invisibles->isChecked();
    request.packageContents = m_packages->isChecked();
}

void SearchOptions::didChangeType()
{
    const bool files = type() & kSearchFiles;
    m_content->setEnabled(files);
    if (!files)
        m_content->setChecked(false);
}

void SearchOptions::didChangeMode()
{
    const bool terms = mode() == kSearchQueryTerms;
    for (QCheckBox* check : {m_noUmlauts, m_fuzzy}) {
        check->setEnabled(terms);
        if (!terms)
            check->setChecked(false);
    }
}

// --- user defaults -----------------------------------------------------------------------------

void SearchOptions::load()
{
    std::uint32_t what = std::uint32_t(integerForKey(m_defaults, kSearchWhat));
    if (what == 0)
        what = kSearchNames;
    m_name->setChecked(what & kSearchNames);
    m_content->setChecked(what & kSearchContents);
    m_tags->setChecked(what & kSearchTags);
    m_comments->setChecked(what & kSearchComments);
    const qint64 comparison = integerForKey(m_defaults, kSearchComparison, 1);
    m_caseInsensitive->setChecked(comparison & 1);
    m_noUmlauts->setChecked(comparison & 2);
    m_fuzzy->setChecked(comparison & 4);
    // A stored tag without a cell keeps the default selection.
    QAbstractButton* mode = m_mode->button(int(integerForKey(m_defaults, kSearchOperator, kSearchPhrase)));
    (mode ? mode : m_mode->button(kSearchPhrase))->setChecked(true);
    QAbstractButton* type = m_type->button(int(integerForKey(m_defaults, kSearchType, kSearchFilesAndFolders)));
    (type ? type : m_type->button(kSearchFilesAndFolders))->setChecked(true);
    m_invisibles->setChecked(boolForKey(m_defaults, kSearchInvisibles, false));
    m_packages->setChecked(boolForKey(m_defaults, kSearchPackages, false));
    didChangeMode();
    didChangeType();
}

void SearchOptions::save(Saved which) const
{
    m_defaults.setInteger(mode(), kSearchOperator);
    m_defaults.setInteger(type(), kSearchType);
    m_defaults.setBool(m_invisibles->isChecked(), kSearchInvisibles);
    m_defaults.setBool(m_packages->isChecked(), kSearchPackages);
    m_defaults.setInteger(qint64(comparison()), kSearchComparison);
    if (which == Saved::All)
        m_defaults.setInteger(qint64(what()), kSearchWhat);
}

} // namespace sorvant
