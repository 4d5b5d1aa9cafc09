#include "interface/drawer_geometry.h"

#include "platform/user_defaults.h"

#include <QRegularExpression>

#include <cmath>

namespace sorvant {

Rect fitWindowFrameForDrawer(const Rect& frame, const Size& drawerSize, DrawerEdge edge, const Rect& screen)
{
    Rect f = frame;
    const double w = drawerSize.width;
    const double h = drawerSize.height;
    switch (edge) {
    case DrawerEdge::Left:
        if (screen.minX() > f.origin.x - w - kDrawerScreenMargin)
            f.origin.x += screen.minX() - (f.origin.x - w - kDrawerScreenMargin);
        if (f.maxX() > screen.maxX())
            f.size.width -= f.maxX() - screen.maxX();
        break;
    case DrawerEdge::Bottom:
        if (screen.minY() > f.origin.y - h - kDrawerScreenMargin)
            f.origin.y += screen.minY() - (f.origin.y - h - kDrawerScreenMargin);
        if (f.maxY() > screen.maxY())
            f.size.height -= f.maxY() - screen.maxY();
        break;
    case DrawerEdge::Right:
        if (f.maxX() + w + kDrawerScreenMargin > screen.maxX())
            f.origin.x -= f.maxX() + w + kDrawerScreenMargin - screen.maxX();
        if (f.origin.x < screen.minX()) {
            f.size.width -= screen.minX() - f.origin.x;
            f.origin.x = screen.minX();
        }
        break;
    case DrawerEdge::Top:
        if (f.maxY() + h + kDrawerScreenMargin > screen.maxY())
            f.origin.y -= f.maxY() + h + kDrawerScreenMargin - screen.maxY();
        if (f.origin.y < screen.minY()) {
            f.size.height -= screen.minY() - f.origin.y;
            f.origin.y = screen.minY();
        }
        break;
    }
    return f;
}

namespace {

Rect rounded(const Rect& r)
{
    return makeRect(std::round(r.origin.x), std::round(r.origin.y), std::round(r.size.width),
                    std::round(r.size.height));
}

} // namespace

bool sameRoundedFrame(const Rect& a, const Rect& b)
{
    return rounded(a) == rounded(b);
}

Rect previousWindowFrameForDrawer(const Rect& current, const Rect& oldFrame, const Rect& newFrame, bool fullScreen)
{
    if (fullScreen)
        return oldFrame;
    const Rect now = rounded(current);
    const Rect after = rounded(newFrame);
    if (now == after)
        return oldFrame;
    if (now.size == after.size)
        return Rect{current.origin, oldFrame.size};
    return current;
}

QString drawerSizeKey(const QString& autosaveName)
{
    return QStringLiteral("%1 drawer size").arg(autosaveName);
}

Size savedDrawerSize(const UserDefaults& defaults, const QString& key, const Size& minimum)
{
    const QVariant value = defaults.objectForKey(key);
    if (value.typeId() != QMetaType::QString)
        return minimum;
    // "{w, h}": exactly two numbers in braces.
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*\{\s*([-+0-9.eE]+)\s*,\s*([-+0-9.eE]+)\s*\}\s*$)"));
    const QRegularExpressionMatch match = pattern.match(value.toString());
    if (!match.hasMatch())
        return minimum;
    bool okW = false;
    bool okH = false;
    const double w = match.captured(1).toDouble(&okW);
    const double h = match.captured(2).toDouble(&okH);
    if (!okW || !okH || !(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h))
        return minimum;
    return Size{w, h};
}

} // namespace sorvant
