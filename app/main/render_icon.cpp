// render-icon SVG SIZE OUT: draws the application's icon at SIZE x SIZE
// pixels into the PNG file OUT (the installed hicolor sizes).

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: render-icon SVG SIZE OUT\n", stderr);
        return 2;
    }
    const int size = QByteArray(argv[2]).toInt();
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull() || size <= 0 || !image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "render-icon: %s\n", qPrintable(reader.errorString()));
        return 1;
    }
    return 0;
}
