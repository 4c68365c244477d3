// Draws the window pictures of the program (schematic artwork of the KORV
// module, its two programming connectors, a chip and two button glyphs) and
// saves them as PNG files into the folder given as the only argument.
// Build and run it with the target korv_draw_pictures:
//   ninja -C build korv_draw_pictures &&
//   QT_QPA_PLATFORM=offscreen build/resources/korv_draw_pictures resources/pictures
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

namespace {

const QColor kBoard(22, 110, 60);
const QColor kBoardEdge(12, 70, 36);
const QColor kCopper(214, 170, 72);
const QColor kChip(34, 34, 38);
const QColor kPinMetal(200, 200, 205);

QImage Canvas(int w, int h, const QColor& background)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(background);
    return img;
}

// A DIP package seen from above with its pins on both long sides.
void DrawDip(QPainter& p, const QRectF& body, int pinsPerSide, bool notch = true)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kPinMetal);
    const qreal step = body.width() / pinsPerSide;
    for (int i = 0; i < pinsPerSide; ++i) {
        const qreal x = body.left() + step * (i + 0.3);
        p.drawRect(QRectF(x, body.top() - 4, step * 0.4, 4));
        p.drawRect(QRectF(x, body.bottom(), step * 0.4, 4));
    }
    p.setBrush(kChip);
    p.drawRoundedRect(body, 2, 2);
    if (notch) {
        p.setBrush(QColor(70, 70, 76));
        p.drawEllipse(QPointF(body.left() + 6, body.center().y()), 3, 3);
    }
}

// A two-row pin header with a shroud, its pin 1 marked.
void DrawHeader(QPainter& p, const QRectF& r, int columns, const QString& name)
{
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(48, 48, 52));
    p.drawRect(r);
    const qreal cw = r.width() / columns;
    p.setPen(Qt::NoPen);
    for (int c = 0; c < columns; ++c)
        for (int row = 0; row < 2; ++row) {
            p.setBrush(c == 0 && row == 0 ? kCopper.lighter(120) : QColor(230, 200, 90));
            const QPointF centre(r.left() + cw * (c + 0.5), r.top() + r.height() * (row ? 0.72 : 0.28));
            p.drawRect(QRectF(centre.x() - 2, centre.y() - 2, 4, 4));
        }
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(r.left() - 20, r.bottom() + 2, r.width() + 40, 14), Qt::AlignHCenter, name);
}

void DrawBoard(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kBoardEdge, 2));
    p.setBrush(kBoard);
    p.drawRoundedRect(r, 6, 6);
    // Mounting holes.
    p.setPen(QPen(kCopper, 2));
    p.setBrush(Qt::white);
    for (QPointF c : {r.topLeft() + QPointF(9, 9), r.topRight() + QPointF(-9, 9), r.bottomLeft() + QPointF(9, -9),
                      r.bottomRight() + QPointF(-9, -9)})
        p.drawEllipse(c, 3.5, 3.5);
    // A few traces.
    p.setPen(QPen(kBoard.lighter(135), 1.5));
    for (int i = 0; i < 6; ++i) {
        const qreal y = r.top() + 18 + i * (r.height() - 36) / 5;
        p.drawLine(QPointF(r.left() + 20, y), QPointF(r.left() + r.width() * 0.35, y));
    }
}

QImage ModulePicture()
{
    QImage img = Canvas(340, 160, QColor(226, 232, 238));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF board(40, 26, 260, 90);
    DrawBoard(p, board);
    DrawDip(p, QRectF(100, 48, 120, 30), 20);
    p.setPen(QColor(235, 235, 235));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(10);
    p.setFont(f);
    p.drawText(QRectF(100, 48, 120, 30), Qt::AlignCenter, QStringLiteral("PIC18F"));
    DrawHeader(p, QRectF(236, 40, 44, 18), 5, QStringLiteral("ICSP 1"));
    DrawHeader(p, QRectF(236, 78, 44, 18), 5, QStringLiteral("ICSP 2"));
    // Crystal and two capacitors.
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(190, 190, 196));
    p.drawRoundedRect(QRectF(110, 88, 26, 10), 5, 5);
    p.setBrush(QColor(200, 140, 50));
    p.drawRect(QRectF(150, 88, 8, 10));
    p.drawRect(QRectF(164, 88, 8, 10));
    return img;
}

QImage ConnectorPicture()
{
    QImage img = Canvas(464, 180, Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF board(150, 20, 290, 140);
    DrawBoard(p, board);
    DrawDip(p, QRectF(200, 66, 110, 28), 20);
    DrawHeader(p, QRectF(350, 44, 56, 22), 5, QStringLiteral("ICSP 1"));
    DrawHeader(p, QRectF(350, 104, 56, 22), 5, QStringLiteral("ICSP 2"));

    // The adapter with its cable to the first connector.
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(QColor(60, 90, 160));
    const QRectF adapter(12, 64, 92, 52);
    p.drawRoundedRect(adapter, 6, 6);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(adapter, Qt::AlignCenter, QStringLiteral("ICSP\nадаптер"));
    QPainterPath cable(adapter.center() + QPointF(46, 0));
    cable.cubicTo(QPointF(160, 90), QPointF(250, 8), QPointF(378, 44));
    p.setPen(QPen(QColor(120, 120, 130), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);
    // Question mark over the connectors.
    f.setPixelSize(30);
    p.setFont(f);
    p.setPen(QColor(220, 0, 0));
    p.drawText(QRectF(408, 60, 40, 50), Qt::AlignCenter, QStringLiteral("?"));
    return img;
}

QImage ChipPicture()
{
    QImage img = Canvas(30, 36, Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kPinMetal);
    for (int i = 0; i < 5; ++i) {
        p.drawRect(QRectF(2, 5 + i * 6, 5, 3));
        p.drawRect(QRectF(23, 5 + i * 6, 5, 3));
    }
    p.setBrush(kChip);
    p.drawRoundedRect(QRectF(7, 2, 16, 32), 2, 2);
    p.setBrush(QColor(80, 80, 86));
    p.drawEllipse(QPointF(15, 6), 2.5, 2.5);
    return img;
}

QImage ConfigGlyph()
{
    QImage img = Canvas(16, 16, Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 1));
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i % 2 ? QColor(255, 255, 255) : QColor(0, 0, 200));
        p.drawRect(QRectF(1 + i * 3.6, 4, 3, 8));
    }
    return img;
}

QImage EraseGlyph()
{
    QImage img = Canvas(16, 16, Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(160, 0, 0), 1));
    p.setBrush(QColor(255, 120, 120));
    QPolygonF eraser;
    eraser << QPointF(2, 10) << QPointF(9, 3) << QPointF(14, 8) << QPointF(7, 15);
    p.drawPolygon(eraser);
    p.setBrush(Qt::white);
    QPolygonF tip;
    tip << QPointF(2, 10) << QPointF(5, 7) << QPointF(10, 12) << QPointF(7, 15);
    p.drawPolygon(tip);
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = ModulePicture().save(dir + QStringLiteral("/module.png"));
    ok = ConnectorPicture().save(dir + QStringLiteral("/connectors.png")) && ok;
    ok = ChipPicture().save(dir + QStringLiteral("/chip.png")) && ok;
    ok = ConfigGlyph().save(dir + QStringLiteral("/glyph-config.png")) && ok;
    ok = EraseGlyph().save(dir + QStringLiteral("/glyph-erase.png")) && ok;
    return ok ? 0 : 1;
}
