#include "search/content_extensions.h"

#include "foundation/trimming.h"
#include "foundation/user_defaults_getters.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"

namespace sorvant {

namespace {

constexpr int kExtensionGroups = 6;

QStringList groupTokens(const UserDefaults& defaults, int group)
{
    QStringList tokens;
    if (!boolForKey(defaults, QStringLiteral("fileExtOn%1").arg(group), defaultFileExtensionsOn(group)))
        return tokens;
    const QString text = stringForKey(defaults, QStringLiteral("fileExt%1").arg(group), defaultFileExtensions(group));
    for (const QString& token : text.split(u','))
        tokens.append(stringByTrimmingWhiteSpaces(token));
    return tokens;
}

bool isTypeToken(const QString& token)
{
    return token.size() == 6 && token.front() == u'\'' && token.back() == u'\'';
}

} // namespace

QString defaultFileExtensions(int group)
{
    switch (group) {
    case 1:
        return QStringLiteral("c, cpp, cp, m, mm, h, java, pl, py, lisp, tcl, f, for, f77, f90, fpp, x, v, pas, p, "
                              "pp, inc, applescript");
    case 2:
        return QStringLiteral("tex, txt, text, log, strings, csv, readme, rtf, markdown, mdtext, mdown, mark, "
                              "mkdown, mmd, mdwn, md, 'TEXT', 'ttro', 'sEXT'");
    case 3:
        return QStringLiteral("htm, html, xhtml, shtml, cfm, css, js, php");
    case 4:
        return QStringLiteral("sh, rc");
    case 5:
        return QStringLiteral("plist, sdef, scriptsuite, scriptterminology, xml, wml, sgm, sgml, dtd");
    case 6:
        return QStringLiteral("eml, emlx, mbox");
    default:
        return {};
    }
}

bool defaultFileExtensionsOn(int group)
{
    return group >= 1 && group <= 3;
}

QStringList fileExtensions(const UserDefaults& defaults)
{
    QStringList extensions;
    for (int group = 1; group <= kExtensionGroups; ++group) {
        for (const QString& token : groupTokens(defaults, group)) {
            if (!token.isEmpty() && token.front() != u'\'')
                extensions.append(unicode::uppercaseString(token));
        }
    }
    return extensions;
}

QList<std::uint32_t> fileTypes(const UserDefaults& defaults)
{
    QList<std::uint32_t> types;
    for (int group = 1; group <= kExtensionGroups; ++group) {
        for (const QString& token : groupTokens(defaults, group)) {
            if (isTypeToken(token))
                types.append(hfsTypeCodeFromFileType(token));
        }
    }
    return types;
}

std::uint32_t hfsTypeCodeFromFileType(const QString& token)
{
    if (!isTypeToken(token))
        return 0;
    std::uint32_t code = 0;
    for (qsizetype i = 1; i <= 4; ++i)
        code = (code << 8) | (token.at(i).unicode() & 0xff);
    return code;
}

} // namespace sorvant
