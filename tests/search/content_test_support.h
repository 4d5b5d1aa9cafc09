#pragma once
// What the tests of content search share (search/content_matching.h,
// search/content_reading.h): a fixture that writes files, declares their
// character sets and sets the search, and the UTF-16 of a text with its
// byte-order mark.

#include "platform/regular_expression.h"
#include "platform/string_encoding.h"
#include "search/content_matching.h"
#include "search/query_terms.h"
#include "search/search_params.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sorvant::test {

// The UTF-16 of `text` after its byte-order mark.
inline QByteArray utf16WithMark(const QString& text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArray("\xfe\xff") : QByteArray("\xff\xfe");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xff);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// A temporary tree of files to match and a search record to match them
// with: the fixture of the tests of content search's headers.
class ContentFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_params.mode = kSearchPhrase;
        m_params.comparison = 1;
        m_params.maxFileSize = 1 << 20;
        setPhrase(QStringLiteral("needle"));
    }
    void TearDown() override
    {
        if (m_folder >= 0)
            ::close(m_folder);
    }
    void setPhrase(const QString& phrase)
    {
        m_params.words = {phrase};
    }
    int folder()
    {
        if (m_folder < 0)
            m_folder = ::open(m_tree.path().toUtf8().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return m_folder;
    }
    bool matches(const QByteArray& name)
    {
        const ContentMatcher matcher(m_params);
        return matcher.matchesFile(folder(), name, m_buffer);
    }
    void setSearch(std::uint64_t mode, const QStringList& words, std::uint64_t comparison)
    {
        m_params.mode = mode;
        m_params.words = words;
        m_params.comparison = comparison;
        m_params.wildcard = mode == kSearchWildcards ? words.first() : QString();
        m_params.queryTerms.reset();
        if (mode == kSearchQueryTerms)
            m_params.queryTerms = QueryTerms::queryTermsWithWildcard(words.first());
        m_params.regex = mode == kSearchRegularExpression
                             ? RegularExpression::compile(words.first(), kRegexAnchorsMatchLines | unsigned(comparison & 1))
                             : RegularExpression();
    }
    // Writes a file and answers its name.
    QByteArray writeNext(const QByteArray& contents)
    {
        const QString name = QStringLiteral("f%1").arg(m_files++);
        m_tree.writeFile(name, contents);
        return name.toUtf8();
    }
    // The fast paths (reading `window` bytes at a time) and the plain path
    // agree on one file.
    void expectAgreement(const QByteArray& name, qsizetype window = kContentWindowBytes)
    {
        const ContentMatcher matcher(m_params, window);
        const bool plain = matcher.matchesFileDecoded(folder(), name, m_buffer);
        EXPECT_EQ(matcher.matchesFile(folder(), name, m_buffer), plain)
            << "words " << m_params.words.join(u'|').toStdString() << ", mode " << m_params.mode << ", case "
            << m_params.comparison << ", window " << window << ", file " << name.toStdString();
    }
    void expectAgreementOnEach(const QList<QByteArray>& names)
    {
        for (const QByteArray& name : names)
            expectAgreement(name);
    }
    // Declares the character set of a file; NO where the file system keeps
    // no user attributes.
    bool declare(const QByteArray& name, const QByteArray& charset)
    {
        const QByteArray path = m_tree.path().toUtf8() + '/' + name;
        return ::setxattr(path.constData(), kCharsetAttribute, charset.constData(), size_t(charset.size()), 0) == 0;
    }
    // `head`, about `size` bytes of `line` repeated, then `last`; NO when
    // the file cannot be written.
    bool writeRepeated(const QString& name, const QByteArray& head, const QByteArray& line, qsizetype size,
                       const QByteArray& last)
    {
        QFile file(m_tree.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QByteArray block;
        while (block.size() < (1 << 20))
            block += line;
        file.write(head);
        for (qsizetype written = 0; written < size; written += block.size())
            file.write(block);
        return file.write(last) == last.size();
    }
    // About `size` bytes of `line` repeated, then `last`, declared in
    // `charset`; NO where the file system keeps no user attributes.
    bool writeDeclared(const QString& name, qsizetype size, const QByteArray& line, const QByteArray& last,
                       const QByteArray& charset)
    {
        return writeRepeated(name, {}, line, size, last) && declare(name.toUtf8(), charset);
    }
    // Latin-1 prose ending in "the N\xe9\xe9dle", declared ISO-8859-1.
    bool writeDeclaredLatin1(const QString& name, qsizetype size)
    {
        return writeDeclared(name, size, "lorem ipsum caf\xe9 dolor sit amet\n", "the N\xe9\xe9" "dle", "ISO-8859-1");
    }
    // Shift_JIS that is mostly one byte a character (ASCII and half-width
    // katakana, twice their size as UTF-16) ending in "the \u91DDneedle".
    bool writeDeclaredShiftJis(const QString& name, qsizetype size)
    {
        return writeDeclared(name, size, "lorem ipsum \xb6\xc0\xb6\xc5 dolor \x93\xfa\x96\x7b sit amet\n",
                             "the \x90\x6a" "needle", "Shift_JIS");
    }
    // A file of `size` bytes, a hole ending in "Needle"; NO where the file
    // system keeps no holes (the test would write gigabytes).
    bool writeSparseEndingInNeedle(const QString& name, qint64 size)
    {
        const int fd = ::open(m_tree.filePath(name).toUtf8().constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const bool written = ::ftruncate(fd, size - 6) == 0 && ::pwrite(fd, "Needle", 6, size - 6) == 6;
        struct stat status{};
        ::fstat(fd, &status);
        ::close(fd);
        return written && status.st_blocks * 512 <= (qint64(1) << 24);
    }
    void expectAgreementOn(const QByteArray& contents, qsizetype window = kContentWindowBytes)
    {
        const QByteArray name = writeNext(contents);
        SCOPED_TRACE(contents.left(100).toPercentEncoding(" ").toStdString());
        expectAgreement(name, window);
        ::unlink((m_tree.path().toUtf8() + '/' + name).constData());
    }

    TempTree m_tree;
    SearchParams m_params;
    ContentBuffer m_buffer;
    int m_folder = -1;
    int m_files = 0;
};

} // namespace sorvant::test
