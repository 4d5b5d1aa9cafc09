// Tests of how content search names a file in a warning
// (search/content_file_label.h).

#include "search/content_file_label.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(FileLabel, JoinsTheFolderAndTheNameOnce)
{
    const struct
    {
        QByteArray folder;
        QByteArray name;
        QString path;
    } rows[] = {
        {"/a", "b", u"/a/b"_qs},
        {"/a/", "b", u"/a/b"_qs},
        {"/", "b", u"/b"_qs},
        {"", "b", u"b"_qs},
        {"", "/x/y", u"/x/y"_qs},
        {"/d", "caf\xc3\xa9", u"/d/caf\u00e9"_qs},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder.toStdString() + " + " + row.name.toStdString());
        EXPECT_EQ((FileLabel{row.folder, row.name}.path()), row.path);
    }
}

} // namespace
} // namespace sorvant
