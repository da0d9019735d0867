// Draws the program's pictures into resources/image/: the icons, the adapter's pin map and, in
// hicolor/, the program's icon for the desktop's menu.
// Run once after changing a drawing; the pictures are committed. Usage: imagegen <output dir>
//
// Qt writes no GIF, so the GIF icons go through a small writer of our own: a 216-colour cube
// with one transparent entry, and LZW codes sent without compression (a clear code every few
// hundred pixels keeps the code width at 9 bits).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>

namespace
{

QString outputDir;

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Everything is drawn on a 100 x 100 grid and scaled to the icon's size.
QImage drawIcon(int size, const std::function<void(QPainter &)> &draw)
{
    QImage image = canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 100.0, size / 100.0);
    draw(p);
    return image;
}

void savePng(const QString &name, const QImage &image)
{
    if (!image.save(outputDir + QLatin1Char('/') + name, "PNG"))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
}

class GifWriter
{
public:
    static QByteArray encode(const QImage &source)
    {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        QByteArray out("GIF89a");
        putWord(&out, image.width());
        putWord(&out, image.height());
        out.append(char(0xF7)); // global colour table of 256 entries, 8 bits per colour
        out.append(char(0));    // background colour index
        out.append(char(0));    // no aspect ratio
        for (int i = 0; i < 256; ++i) {
            const int c = i - 1;
            const bool cube = c >= 0 && c < 216;
            out.append(char(cube ? (c / 36) * 51 : 0));
            out.append(char(cube ? ((c / 6) % 6) * 51 : 0));
            out.append(char(cube ? (c % 6) * 51 : 0));
        }
        // Graphic control extension: index 0 is transparent.
        out.append("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);
        out.append(char(0x2C));
        putWord(&out, 0);
        putWord(&out, 0);
        putWord(&out, image.width());
        putWord(&out, image.height());
        out.append(char(0));
        out.append(char(8)); // minimum code size

        QByteArray codes;
        quint32 bits = 0;
        int bitCount = 0;
        auto put = [&](int code) {
            bits |= quint32(code) << bitCount;
            bitCount += 9;
            while (bitCount >= 8) {
                codes.append(char(bits & 0xFF));
                bits >>= 8;
                bitCount -= 8;
            }
        };
        int sinceClear = 0;
        put(256);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (sinceClear == 250) {
                    put(256);
                    sinceClear = 0;
                }
                put(indexOf(image.pixel(x, y)));
                ++sinceClear;
            }
        }
        put(257);
        if (bitCount > 0)
            codes.append(char(bits & 0xFF));
        for (int i = 0; i < codes.size(); i += 255) {
            const QByteArray block = codes.mid(i, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
        out.append(char(0x3B));
        return out;
    }

private:
    static void putWord(QByteArray *out, int value)
    {
        out->append(char(value & 0xFF));
        out->append(char((value >> 8) & 0xFF));
    }
    static int indexOf(QRgb pixel)
    {
        if (qAlpha(pixel) < 128)
            return 0;
        auto level = [](int v) { return (v + 25) / 51; };
        return 1 + level(qRed(pixel)) * 36 + level(qGreen(pixel)) * 6 + level(qBlue(pixel));
    }
};

void saveGif(const QString &name, const QImage &image)
{
    QFile file(outputDir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(GifWriter::encode(image)) < 0)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
}

void roundedBox(QPainter &p, const QRectF &r, const QColor &fill, const QColor &line, qreal radius)
{
    p.setPen(QPen(line, 4));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

void chip(QPainter &p, const QColor &body)
{
    p.setPen(QPen(QColor(90, 90, 90), 5));
    for (int i = 0; i < 4; ++i) {
        const qreal c = 30 + i * 13;
        p.drawLine(QPointF(c, 8), QPointF(c, 22));
        p.drawLine(QPointF(c, 78), QPointF(c, 92));
        p.drawLine(QPointF(8, c), QPointF(22, c));
        p.drawLine(QPointF(78, c), QPointF(92, c));
    }
    roundedBox(p, QRectF(20, 20, 60, 60), body, QColor(30, 30, 30), 6);
}

void document(QPainter &p, const QColor &fold)
{
    QPainterPath page;
    page.moveTo(18, 6);
    page.lineTo(64, 6);
    page.lineTo(84, 26);
    page.lineTo(84, 94);
    page.lineTo(18, 94);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 4));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(fold);
    p.drawPolygon(QPolygonF({QPointF(64, 6), QPointF(64, 26), QPointF(84, 26)}));
}

void floppy(QPainter &p, const QColor &body)
{
    roundedBox(p, QRectF(10, 10, 80, 80), body, QColor(20, 40, 90), 8);
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(QRectF(26, 12, 46, 26));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(22, 56, 56, 32));
}

void arrowHead(QPainter &p, QPointF tip, qreal angleDeg, const QColor &colour)
{
    p.save();
    p.translate(tip);
    p.rotate(angleDeg);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(-16, -11), QPointF(-16, 11)}));
    p.restore();
}

void drawIcons()
{
    savePng("ico.png", drawIcon(128, [](QPainter &p) {
                chip(p, QColor(20, 110, 180));
                p.setPen(Qt::white);
                QFont f(QStringLiteral("DejaVu Sans"));
                f.setPixelSize(22);
                f.setBold(true);
                p.setFont(f);
                p.drawText(QRectF(20, 20, 60, 60), Qt::AlignCenter, QStringLiteral("SPI"));
            }));
    savePng("file-txt.png", drawIcon(256, [](QPainter &p) {
                document(p, QColor(200, 200, 200));
                p.setPen(QColor(20, 90, 170));
                QFont f(QStringLiteral("DejaVu Sans"));
                f.setPixelSize(20);
                f.setBold(true);
                p.setFont(f);
                p.drawText(QRectF(18, 40, 66, 30), Qt::AlignCenter, QStringLiteral("TXT"));
                p.setPen(QPen(QColor(150, 150, 150), 3));
                for (int y = 74; y <= 86; y += 6)
                    p.drawLine(QPointF(28, y), QPointF(74, y));
            }));
    savePng("edit-clear.png", drawIcon(64, [](QPainter &p) {
                p.save();
                p.translate(50, 50);
                p.rotate(-40);
                roundedBox(p, QRectF(-34, -16, 40, 32), QColor(230, 80, 80), QColor(90, 20, 20), 4);
                roundedBox(p, QRectF(6, -16, 30, 32), QColor(240, 240, 240), QColor(90, 20, 20), 4);
                p.restore();
                p.setPen(QPen(QColor(120, 120, 120), 4));
                p.drawLine(QPointF(10, 92), QPointF(90, 92));
            }));
    savePng("add_193px.png", drawIcon(193, [](QPainter &p) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(40, 160, 60));
                p.drawEllipse(QRectF(6, 6, 88, 88));
                p.setBrush(Qt::white);
                p.drawRect(QRectF(44, 24, 12, 52));
                p.drawRect(QRectF(24, 44, 52, 12));
            }));
    savePng("delete_512px.png", drawIcon(512, [](QPainter &p) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(200, 40, 40));
                p.drawEllipse(QRectF(6, 6, 88, 88));
                p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(32, 32), QPointF(68, 68));
                p.drawLine(QPointF(68, 32), QPointF(32, 68));
            }));
    savePng("Pause_32px.png", drawIcon(32, [](QPainter &p) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(200, 120, 0));
                p.drawRoundedRect(QRectF(18, 12, 22, 76), 4, 4);
                p.drawRoundedRect(QRectF(60, 12, 22, 76), 4, 4);
            }));
    savePng("open_file_512px.png", drawIcon(512, [](QPainter &p) {
                p.setPen(QPen(QColor(140, 100, 20), 3));
                p.setBrush(QColor(230, 180, 60));
                p.drawPolygon(QPolygonF({QPointF(6, 20), QPointF(38, 20), QPointF(46, 30),
                                         QPointF(88, 30), QPointF(88, 86), QPointF(6, 86)}));
                p.setBrush(QColor(250, 210, 90));
                p.drawPolygon(
                    QPolygonF({QPointF(16, 42), QPointF(96, 42), QPointF(86, 86), QPointF(6, 86)}));
            }));
    savePng("Save_as_512px.png", drawIcon(512, [](QPainter &p) {
                floppy(p, QColor(40, 90, 180));
                p.save();
                p.translate(74, 70);
                p.rotate(45);
                p.setPen(QPen(QColor(60, 60, 60), 2));
                p.setBrush(QColor(250, 200, 40));
                p.drawRect(QRectF(-6, -30, 12, 40));
                p.setBrush(QColor(240, 200, 160));
                p.drawPolygon(QPolygonF({QPointF(-6, 10), QPointF(6, 10), QPointF(0, 22)}));
                p.restore();
            }));

    saveGif("gif_48_052.gif", drawIcon(48, [](QPainter &p) {
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(0, 102, 204));
                p.drawEllipse(QRectF(6, 6, 88, 88));
                p.setBrush(Qt::white);
                p.drawEllipse(QRectF(42, 20, 16, 16));
                p.drawRect(QRectF(42, 42, 16, 38));
            }));
    saveGif("gif_48_026.gif", drawIcon(48, [](QPainter &p) {
                roundedBox(p, QRectF(16, 8, 50, 84), QColor(153, 102, 51), QColor(51, 0, 0), 4);
                p.setBrush(QColor(255, 204, 0));
                p.drawEllipse(QRectF(52, 48, 8, 8));
                p.setPen(QPen(QColor(204, 0, 0), 10, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(60, 50), QPointF(90, 50));
                arrowHead(p, QPointF(96, 50), 0, QColor(204, 0, 0));
            }));
    saveGif("gif_48_090.gif", drawIcon(48, [](QPainter &p) {
                floppy(p, QColor(0, 102, 204));
                p.setPen(QColor(0, 0, 0));
                QFont f(QStringLiteral("DejaVu Sans"));
                f.setPixelSize(18);
                f.setBold(true);
                p.setFont(f);
                p.drawText(QRectF(22, 56, 56, 32), Qt::AlignCenter, QStringLiteral("T"));
            }));
    saveGif("gif_48_067.gif", drawIcon(48, [](QPainter &p) {
                chip(p, QColor(51, 51, 51));
                p.setPen(Qt::NoPen);
                p.setBrush(QColor(255, 204, 0));
                p.drawEllipse(QRectF(40, 40, 20, 20));
            }));
    saveGif("gif_48_086.gif", drawIcon(48, [](QPainter &p) {
                const QColor green(0, 153, 51);
                p.setPen(QPen(green, 10, Qt::SolidLine, Qt::FlatCap));
                p.setBrush(Qt::NoBrush);
                p.drawArc(QRectF(16, 16, 68, 68), 20 * 16, 150 * 16);
                p.drawArc(QRectF(16, 16, 68, 68), 200 * 16, 150 * 16);
                arrowHead(p, QPointF(84 - 2, 56), 100, green);
                arrowHead(p, QPointF(18, 44), -80, green);
            }));
    saveGif("gif_48_085.gif", drawIcon(48, [](QPainter &p) {
                p.setPen(QPen(QColor(0, 102, 0), 4));
                p.setBrush(QColor(0, 170, 51));
                p.drawPolygon(QPolygonF({QPointF(24, 12), QPointF(84, 50), QPointF(24, 88)}));
            }));
}

// The program's icon for the desktop's menu, in the hicolor theme's sizes: a chip on a blue
// tile with an SPI clock across it. Below 32 pixels the pins and the chip's outline would blur
// into grey, so the smallest size keeps only the tile and a bolder clock.
QImage drawAppIcon(int size)
{
    return drawIcon(size, [size](QPainter &p) {
        QLinearGradient tile(0, 0, 0, 100);
        tile.setColorAt(0, QColor(45, 130, 210));
        tile.setColorAt(1, QColor(15, 65, 130));
        p.setPen(Qt::NoPen);
        p.setBrush(tile);
        p.drawRoundedRect(QRectF(4, 4, 92, 92), 18, 18);
        const bool small = size < 32;
        if (!small) {
            p.setPen(QPen(QColor(200, 205, 215), 5, Qt::SolidLine, Qt::FlatCap));
            for (int i = 0; i < 4; ++i) {
                const qreal c = 32 + i * 12;
                p.drawLine(QPointF(c, 14), QPointF(c, 26));
                p.drawLine(QPointF(c, 74), QPointF(c, 86));
            }
            p.setPen(QPen(QColor(10, 20, 35), 3));
            p.setBrush(QColor(35, 40, 50));
            p.drawRoundedRect(QRectF(20, 24, 60, 52), 6, 6);
        }
        // Low, then pulses and gaps of equal width, then low again.
        const int pulses = small ? 2 : 3;
        const qreal low = small ? 72 : 62, high = small ? 28 : 38;
        const qreal left = small ? 12 : 26, right = small ? 88 : 74;
        const qreal step = (right - left) / (2 * pulses + 1);
        QPainterPath clock;
        clock.moveTo(left, low);
        for (int i = 0; i < pulses; ++i) {
            const qreal x = left + step * (2 * i + 1);
            clock.lineTo(x, low);
            clock.lineTo(x, high);
            clock.lineTo(x + step, high);
            clock.lineTo(x + step, low);
        }
        clock.lineTo(right, low);
        p.setPen(QPen(QColor(255, 205, 40), small ? 11 : 6, Qt::SolidLine, Qt::SquareCap,
                      Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(clock);
    });
}

void drawAppIcons()
{
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(size);
        QDir(outputDir).mkpath(folder);
        savePng(folder + QStringLiteral("/kavris.png"), drawAppIcon(size));
    }
}

// The adapter seen from above: USB plug on top, the controller in the middle, an eleven-pin
// header down each side with the pin names beside it.
void drawPinMap()
{
    const QStringList left = {"5V",
                              "3.3V",
                              "P8: SPI1_CS3",
                              "P9: SPI1_CS4",
                              "P10: SPI1_MOSI",
                              "P11: SPI1_MISO",
                              "P12: SPI1_SCK",
                              "P13: SPI1_CS0",
                              "P14: SPI1_CS1",
                              "P15: SPI1_CS2",
                              "GND"};
    const QStringList right = {
        "5V",           "3.3V",         "P0: SPI2_CS4", "P1: SPI2_CS3",  "P2: SPI2_CS2",
        "P3: SPI2_CS1", "P4: SPI2_CS0", "P5: SPI2_SCK", "P6: SPI2_MISO", "P7: SPI2_MOSI",
        "GND"};
    QImage image(596, 381, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF board(178, 34, 240, 330);
    // USB plug
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(263, 6, 70, 34));
    // board
    p.setPen(QPen(QColor(0, 60, 20), 2));
    p.setBrush(QColor(20, 120, 60));
    p.drawRoundedRect(board, 10, 10);
    // controller
    p.setBrush(QColor(30, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(258, 150, 80, 80));
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(15);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(board.left(), 60, board.width(), 24), Qt::AlignCenter,
               QStringLiteral("TELKOR"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    p.setFont(small);
    p.drawText(QRectF(board.left(), 84, board.width(), 18), Qt::AlignCenter,
               QStringLiteral("USB - SPI"));
    p.drawText(QRectF(258, 150, 80, 80), Qt::AlignCenter, QStringLiteral("MCU"));

    QFont pinFont(QStringLiteral("DejaVu Sans Mono"));
    pinFont.setPixelSize(13);
    const qreal top = 70, step = 27.5;
    for (int i = 0; i < 11; ++i) {
        const qreal y = top + i * step;
        for (int side = 0; side < 2; ++side) {
            const qreal x = side == 0 ? board.left() + 12 : board.right() - 30;
            p.setPen(QPen(QColor(0, 0, 0), 1));
            p.setBrush(QColor(20, 20, 20));
            p.drawRect(QRectF(x, y - 9, 18, 18));
            p.setBrush(QColor(230, 190, 60));
            p.drawEllipse(QPointF(x + 9, y), 4.5, 4.5);
            // leader line to the label
            p.setPen(QPen(QColor(120, 120, 120), 1));
            if (side == 0)
                p.drawLine(QPointF(board.left() - 8, y), QPointF(x, y));
            else
                p.drawLine(QPointF(x + 18, y), QPointF(board.right() + 8, y));
            p.setPen(QColor(0, 0, 0));
            p.setFont(pinFont);
            const QString &text = side == 0 ? left.at(i) : right.at(i);
            if (side == 0)
                p.drawText(QRectF(4, y - 10, board.left() - 16, 20),
                           Qt::AlignRight | Qt::AlignVCenter, text);
            else
                p.drawText(QRectF(board.right() + 12, y - 10, 596 - board.right() - 16, 20),
                           Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    }
    p.end();
    savePng("TELKOR-KAVRIS.png", image.convertToFormat(QImage::Format_RGB32));
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: imagegen <output directory>\n");
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);
    drawIcons();
    drawAppIcons();
    drawPinMap();
    return 0;
}
