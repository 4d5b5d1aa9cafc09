#pragma once
// One-page PDF files whose content stream is a large hole, and the bytes
// the process has read, for tests of the bounds on reading and drawing
// pages.

#include "tests/support/temp_tree.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

namespace sorvant::test {

// A one-page PDF (200 by 100 points) whose content stream states
// `statedLength` bytes: `content`, then a hole of zeros up to that length
// (no disk is used), then the rest of the file at the right offsets.
inline QString pdfWithContent(TempTree& tree, const QString& name, const QByteArray& content, qint64 statedLength)
{
    const QByteArray objects[] = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R >>",
    };
    QByteArray head = "%PDF-1.4\n";
    QList<qint64> offsets;
    for (qsizetype index = 0; index < 3; ++index) {
        offsets.append(head.size());
        head += QByteArray::number(index + 1) + " 0 obj\n" + objects[index] + "\nendobj\n";
    }
    offsets.append(head.size());
    head += "4 0 obj\n<< /Length " + QByteArray::number(statedLength) + " >>\nstream\n" + content;
    const qint64 streamEnd = head.size() - content.size() + statedLength;
    QByteArray tail = "\nendstream\nendobj\n";
    const qint64 xref = streamEnd + tail.size();
    tail += "xref\n0 5\n0000000000 65535 f \n";
    for (const qint64 offset : offsets)
        tail += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    tail += "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";

    const QString path = tree.writeFile(name, head);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadWrite));
    EXPECT_TRUE(file.resize(streamEnd));
    EXPECT_TRUE(file.seek(streamEnd));
    EXPECT_EQ(file.write(tail), tail.size());
    return path;
}

// Bytes this process has read through system calls; -1 where the kernel
// does not count them.
inline qint64 bytesReadByProcess()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray first = io.readLine();
    return first.startsWith("rchar: ") ? first.mid(7).trimmed().toLongLong() : -1;
}

} // namespace sorvant::test
