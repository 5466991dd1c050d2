// tagmender-draw: redraws the button pictures and application icons under resources/.
// The drawn files are committed; the normal build never runs this program. To redraw:
//   cmake -S resources/draw -B build-draw
//   cmake --build build-draw --target redraw
// (or run build-draw/tagmender-draw RESOURCES_DIR yourself).

#include "ButtonArt.h"
#include "IcoWriter.h"
#include "IconArt.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTextStream>

namespace {
struct Button
{
    const char *name;
    QSize size;
    ButtonArt::Shape shape;
    const char *label;
};

bool save(const QImage &image, const QString &path)
{
    const bool saved = image.save(path, "PNG");
    QTextStream(stdout) << (saved ? "wrote " : "FAILED ") << QDir::toNativeSeparators(path) << '\n';
    return saved;
}

bool drawButtons(const QDir &out)
{
    const Button buttons[] = {
        {"browse", QSize(116, 30), ButtonArt::Shape::Pill, "Browse ..."},
        {"start", QSize(125, 41), ButtonArt::Shape::Pill, "Start !"},
        {"info", QSize(41, 41), ButtonArt::Shape::Circle, "?"},
    };
    bool ok = out.mkpath(QStringLiteral("images"));
    for (const Button &b : buttons) {
        const QString label = QString::fromLatin1(b.label);
        const QString base = out.filePath(QStringLiteral("images/") + QLatin1String(b.name));
        ok = save(ButtonArt::draw(b.size, b.shape, label, 1), base + QStringLiteral(".png")) && ok;
        ok = save(ButtonArt::draw(b.size, b.shape, label, 2), base + QStringLiteral("@2x.png")) &&
             ok;
    }
    return ok;
}

bool drawIcons(const QDir &out)
{
    bool ok = out.mkpath(QStringLiteral("icons"));
    for (const int size : {16, 32, 48, 256}) {
        const QString name = QStringLiteral("icons/tagmender-%1.png").arg(size);
        ok = save(IconArt::draw(size), out.filePath(name)) && ok;
    }
    const QString ico = out.filePath(QStringLiteral("tagmender.ico"));
    const bool written =
        IcoWriter::write(ico, {IconArt::draw(48), IconArt::draw(32), IconArt::draw(16)});
    QTextStream(stdout) << (written ? "wrote " : "FAILED ") << QDir::toNativeSeparators(ico)
                        << '\n';
    return ok && written;
}
} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tagmender-draw RESOURCES_DIR\n";
        return 2;
    }
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
        QTextStream(stderr) << "DejaVu Sans is missing (Debian: fonts-dejavu-core)\n";
        return 1;
    }
    const QDir out(QDir::cleanPath(QString::fromLocal8Bit(argv[1])));
    const bool buttons = drawButtons(out);
    const bool icons = drawIcons(out);
    return buttons && icons ? 0 : 1;
}
