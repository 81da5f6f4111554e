// Draws the program's pictures into files beside this source:
//   small00.png .. small16.png  16 x 16, menus, pages and list rows (ImageList1)
//   large00.png .. large08.png  32 x 32, toolbar (ImageList2)
//   app/tavrin-<N>.png          the program's own picture (large06) for the desktop's icon
//                               theme, N = 16, 22, 24, 32, 48, 64, 128, 256
//   app/tavrin.svg              the same picture as a scalable drawing
// Every picture is drawn here with QPainter on a 32 x 32 design grid.
//
// Rebuild after a change (from the repository root; needs qt6-svg-dev):
//   g++ -std=c++20 -fPIC resources/icons/make_icons.cpp -o /tmp/make_icons \
//       $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
//   QT_QPA_PLATFORM=offscreen /tmp/make_icons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QDir>
#include <QString>
#include <QSvgGenerator>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

using Draw = std::function<void(QPainter&)>;

const QColor kOutline(40, 40, 48);

void pen(QPainter& p, const QColor& c, qreal w)
{
    p.setPen(QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void folder(QPainter& p, bool open)
{
    pen(p, QColor(150, 110, 20), 1.6);
    p.setBrush(QColor(240, 196, 70));
    QPainterPath body;
    body.moveTo(3, 7);
    body.lineTo(11, 7);
    body.lineTo(13, 10);
    body.lineTo(27, 10);
    body.lineTo(27, 26);
    body.lineTo(3, 26);
    body.closeSubpath();
    p.drawPath(body);
    if (open) {
        p.setBrush(QColor(255, 222, 120));
        QPainterPath flap;
        flap.moveTo(7, 14);
        flap.lineTo(30, 14);
        flap.lineTo(26, 26);
        flap.lineTo(3, 26);
        flap.closeSubpath();
        p.drawPath(flap);
    }
}

void microphone(QPainter& p)
{
    pen(p, kOutline, 1.6);
    QLinearGradient g(10, 0, 22, 0);
    g.setColorAt(0, QColor(120, 130, 150));
    g.setColorAt(0.5, QColor(225, 230, 240));
    g.setColorAt(1, QColor(110, 120, 140));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(11, 2, 10, 17), 5, 5);
    p.setBrush(Qt::NoBrush);
    pen(p, kOutline, 2.2);
    p.drawArc(QRectF(7, 8, 18, 16), 180 * 16, 180 * 16);
    p.drawLine(QPointF(16, 24), QPointF(16, 28));
    p.drawLine(QPointF(10, 29), QPointF(22, 29));
}

void recordDot(QPainter& p, qreal cx = 16, qreal cy = 16, qreal r = 11)
{
    QRadialGradient g(cx - r / 3, cy - r / 3, r * 1.3);
    g.setColorAt(0, QColor(255, 140, 130));
    g.setColorAt(1, QColor(200, 20, 20));
    pen(p, QColor(120, 10, 10), 1.4);
    p.setBrush(g);
    p.drawEllipse(QPointF(cx, cy), r, r);
}

void playTriangle(QPainter& p)
{
    QLinearGradient g(0, 4, 0, 28);
    g.setColorAt(0, QColor(120, 220, 110));
    g.setColorAt(1, QColor(20, 130, 30));
    pen(p, QColor(10, 80, 20), 1.6);
    p.setBrush(g);
    QPolygonF t;
    t << QPointF(8, 4) << QPointF(27, 16) << QPointF(8, 28);
    p.drawPolygon(t);
}

void speaker(QPainter& p)
{
    pen(p, kOutline, 1.6);
    p.setBrush(QColor(90, 100, 120));
    QPolygonF s;
    s << QPointF(3, 12) << QPointF(9, 12) << QPointF(17, 5) << QPointF(17, 27) << QPointF(9, 20)
      << QPointF(3, 20);
    p.drawPolygon(s);
    p.setBrush(Qt::NoBrush);
    pen(p, QColor(30, 90, 200), 2.2);
    p.drawArc(QRectF(13, 10, 10, 12), -50 * 16, 100 * 16);
    p.drawArc(QRectF(12, 5, 17, 22), -55 * 16, 110 * 16);
}

void stopSquare(QPainter& p)
{
    QLinearGradient g(0, 6, 0, 26);
    g.setColorAt(0, QColor(110, 120, 140));
    g.setColorAt(1, QColor(40, 45, 60));
    pen(p, QColor(20, 20, 30), 1.4);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(6, 6, 20, 20), 2, 2);
}

void infoBadge(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    pen(p, bottom.darker(140), 1.4);
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9.5), 2.6, 2.6);
    p.drawRoundedRect(QRectF(13.4, 13.5, 5.2, 12.5), 1.5, 1.5);
}

void waveScreen(QPainter& p)
{
    pen(p, kOutline, 1.4);
    p.setBrush(QColor(15, 25, 20));
    p.drawRoundedRect(QRectF(2, 5, 28, 22), 2, 2);
    pen(p, QColor(70, 230, 90), 1.8);
    QPainterPath w;
    w.moveTo(4, 16);
    for (int x = 4; x <= 28; ++x)
        w.lineTo(x, 16 - 7 * qSin((x - 4) * 0.55) * qExp(-(x - 4) * 0.05));
    p.setBrush(Qt::NoBrush);
    p.drawPath(w);
}

void audioDocument(QPainter& p)
{
    pen(p, kOutline, 1.4);
    p.setBrush(Qt::white);
    QPolygonF d;
    d << QPointF(6, 2) << QPointF(20, 2) << QPointF(27, 9) << QPointF(27, 30) << QPointF(6, 30);
    p.drawPolygon(d);
    p.setBrush(QColor(220, 220, 230));
    QPolygonF corner;
    corner << QPointF(20, 2) << QPointF(20, 9) << QPointF(27, 9);
    p.drawPolygon(corner);
    // a note
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 180));
    p.drawEllipse(QRectF(10, 21, 6, 5));
    p.drawRect(QRectF(14.5, 11, 1.8, 12.5));
    QPolygonF flag;
    flag << QPointF(14.5, 11) << QPointF(21, 13) << QPointF(21, 16) << QPointF(16.3, 14.3);
    p.drawPolygon(flag);
}

void pauseBars(QPainter& p)
{
    QLinearGradient g(0, 5, 0, 27);
    g.setColorAt(0, QColor(110, 160, 235));
    g.setColorAt(1, QColor(30, 70, 170));
    pen(p, QColor(20, 40, 110), 1.4);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(7, 5, 7, 22), 1.5, 1.5);
    p.drawRoundedRect(QRectF(18, 5, 7, 22), 1.5, 1.5);
}

void exitDoor(QPainter& p)
{
    pen(p, kOutline, 1.4);
    p.setBrush(QColor(170, 110, 60));
    p.drawRect(QRectF(4, 3, 14, 26));
    p.setBrush(QColor(250, 220, 120));
    p.drawEllipse(QPointF(15, 17), 1.2, 1.2);
    pen(p, QColor(200, 30, 30), 3);
    p.drawLine(QPointF(14, 16), QPointF(28, 16));
    QPolygonF head;
    head << QPointF(23, 10) << QPointF(29, 16) << QPointF(23, 22);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(head);
}

void gear(QPainter& p, qreal cx = 16, qreal cy = 16, qreal r = 13)
{
    QPainterPath g;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i / qreal(teeth * 4)) * 2 * M_PI;
        const qreal rr = (i % 4 < 2) ? r : r * 0.74;
        const QPointF pt(cx + rr * qCos(a), cy + rr * qSin(a));
        if (i == 0)
            g.moveTo(pt);
        else
            g.lineTo(pt);
    }
    g.closeSubpath();
    g.addEllipse(QPointF(cx, cy), r * 0.3, r * 0.3);
    g.setFillRule(Qt::OddEvenFill);
    QRadialGradient fill(cx - 3, cy - 3, r * 1.4);
    fill.setColorAt(0, QColor(200, 205, 215));
    fill.setColorAt(1, QColor(95, 105, 125));
    pen(p, QColor(50, 55, 70), 1.2);
    p.setBrush(fill);
    p.drawPath(g);
}

void questionBadge(QPainter& p)
{
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, QColor(120, 190, 255));
    g.setColorAt(1, QColor(20, 90, 200));
    pen(p, QColor(15, 60, 140), 1.4);
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    pen(p, Qt::white, 3.2);
    p.setBrush(Qt::NoBrush);
    QPainterPath q;
    q.moveTo(11.5, 12);
    q.cubicTo(11.5, 6.5, 20.5, 6.5, 20.5, 11.5);
    q.cubicTo(20.5, 15, 16, 15, 16, 19);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 24), 2.1, 2.1);
}

void globe(QPainter& p)
{
    QRadialGradient g(12, 11, 18);
    g.setColorAt(0, QColor(150, 210, 255));
    g.setColorAt(1, QColor(30, 100, 190));
    pen(p, QColor(20, 60, 130), 1.4);
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    pen(p, QColor(235, 245, 255), 1.2);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3, 12, 26));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawArc(QRectF(5, 5, 22, 8), 0, 180 * 16);
    p.drawArc(QRectF(5, 19, 22, 8), 180 * 16, 180 * 16);
}

void bulb(QPainter& p)
{
    QRadialGradient g(14, 10, 14);
    g.setColorAt(0, QColor(255, 255, 210));
    g.setColorAt(1, QColor(250, 200, 40));
    pen(p, QColor(150, 110, 10), 1.4);
    p.setBrush(g);
    QPainterPath b;
    b.moveTo(12, 22);
    b.cubicTo(12, 18, 6, 16, 6, 11);
    b.cubicTo(6, 5, 11, 2, 16, 2);
    b.cubicTo(21, 2, 26, 5, 26, 11);
    b.cubicTo(26, 16, 20, 18, 20, 22);
    b.closeSubpath();
    p.drawPath(b);
    pen(p, QColor(80, 80, 90), 1.4);
    p.setBrush(QColor(170, 170, 180));
    p.drawRoundedRect(QRectF(12, 22, 8, 7), 1.5, 1.5);
    p.drawLine(QPointF(12, 25.5), QPointF(20, 25.5));
}

void aboutCard(QPainter& p)
{
    // A note on a round badge: the program itself.
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, QColor(255, 170, 90));
    g.setColorAt(1, QColor(200, 70, 20));
    pen(p, QColor(130, 40, 10), 1.4);
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(9, 19, 7, 6));
    p.drawRect(QRectF(14.2, 7, 2.2, 15));
    QPolygonF flag;
    flag << QPointF(14.2, 7) << QPointF(22, 9.5) << QPointF(22, 13) << QPointF(16.4, 11);
    p.drawPolygon(flag);
}

void stopwatch(QPainter& p)
{
    pen(p, kOutline, 1.4);
    p.setBrush(QColor(150, 155, 170));
    p.drawRect(QRectF(13.5, 1.5, 5, 4));
    p.drawLine(QPointF(24, 6), QPointF(26.5, 3.5));
    QRadialGradient g(13, 13, 18);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(205, 210, 222));
    pen(p, QColor(40, 45, 60), 2);
    p.setBrush(g);
    p.drawEllipse(QRectF(4, 6, 24, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 40, 200));
    p.drawPie(QRectF(7, 9, 18, 18), 90 * 16, -120 * 16);
    pen(p, QColor(30, 30, 40), 2);
    p.drawLine(QPointF(16, 18), QPointF(16, 10));
    p.drawLine(QPointF(16, 18), QPointF(21, 21));
}

void bookHelp(QPainter& p)
{
    pen(p, QColor(30, 50, 110), 1.4);
    p.setBrush(QColor(60, 100, 200));
    p.drawRoundedRect(QRectF(5, 3, 21, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 25, 18, 3));
    pen(p, Qt::white, 2.6);
    p.setBrush(Qt::NoBrush);
    QPainterPath q;
    q.moveTo(12.5, 11);
    q.cubicTo(12.5, 6.5, 20, 6.5, 20, 10.5);
    q.cubicTo(20, 13.5, 16.2, 13.5, 16.2, 17);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16.2, 21), 1.7, 1.7);
}

void mixerSliders(QPainter& p)
{
    pen(p, kOutline, 1.4);
    p.setBrush(QColor(230, 232, 238));
    p.drawRoundedRect(QRectF(2, 3, 28, 26), 3, 3);
    const qreal xs[3] = {9, 16, 23};
    const qreal knob[3] = {19, 10, 15};
    for (int i = 0; i < 3; ++i) {
        pen(p, QColor(60, 60, 70), 2);
        p.drawLine(QPointF(xs[i], 7), QPointF(xs[i], 25));
        pen(p, QColor(20, 40, 110), 1.2);
        p.setBrush(QColor(60, 110, 220));
        p.drawRoundedRect(QRectF(xs[i] - 3.5, knob[i] - 2.5, 7, 5), 1.2, 1.2);
    }
}

// A record dot that sound sets off: the dot, and the waves coming in from the right.
void soundStart(QPainter& p)
{
    recordDot(p, 12, 17, 9);
    p.setBrush(Qt::NoBrush);
    pen(p, QColor(30, 90, 200), 2.2);
    p.drawArc(QRectF(14, 9, 12, 16), -50 * 16, 100 * 16);
    pen(p, QColor(30, 90, 200, 170), 2.2);
    p.drawArc(QRectF(15, 4, 16, 26), -45 * 16, 90 * 16);
}

void save(const QString& dir, const QString& name, int size, const Draw& draw)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    draw(p);
    p.end();
    if (!img.save(dir + QLatin1Char('/') + name))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
}

void saveSvg(const QString& path, const Draw& draw)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(32, 32));
    svg.setViewBox(QRect(0, 0, 32, 32));
    svg.setTitle(QStringLiteral("Tavrin"));
    svg.setDescription(QStringLiteral("The icon of the Tavrin sound recorder"));
    QPainter p(&svg);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // ImageList1, 16 x 16.
    const Draw small[] = {
        [](QPainter& p) { folder(p, true); },        // 0 open
        [](QPainter& p) { microphone(p); },          // 1 input mixer
        [](QPainter& p) { recordDot(p); },           // 2 record
        [](QPainter& p) { playTriangle(p); },        // 3 play
        [](QPainter& p) { speaker(p); },             // 4 output mixer
        [](QPainter& p) { stopSquare(p); },          // 5 stop
        [](QPainter& p) { infoBadge(p, QColor(120, 180, 255), QColor(20, 80, 190)); }, // 6 file info
        [](QPainter& p) { waveScreen(p); },          // 7 sound recording page
        [](QPainter& p) { audioDocument(p); },       // 8 list rows
        [](QPainter& p) { pauseBars(p); },           // 9 pause
        [](QPainter& p) { exitDoor(p); },            // 10 exit
        [](QPainter& p) { gear(p); },                // 11 options
        [](QPainter& p) { questionBadge(p); },       // 12 help
        [](QPainter& p) { globe(p); },               // 13 home page
        [](QPainter& p) { bulb(p); },                // 14 tip of the day
        [](QPainter& p) { aboutCard(p); },           // 15 about
        [](QPainter& p) { soundStart(p); },          // 16 automatic start
    };
    for (int i = 0; i < int(std::size(small)); ++i)
        save(dir, QStringLiteral("small%1.png").arg(i, 2, 10, QLatin1Char('0')), 16, small[i]);

    // ImageList2, 32 x 32.
    const Draw large[] = {
        [](QPainter& p) { folder(p, true); },        // 0 open
        [](QPainter& p) { recordDot(p); },           // 1 record
        [](QPainter& p) { playTriangle(p); },        // 2 play
        [](QPainter& p) { mixerSliders(p); },        // 3 mixer
        [](QPainter& p) { gear(p); },                // 4 options
        [](QPainter& p) { bookHelp(p); },            // 5 help
        [](QPainter& p) { aboutCard(p); },           // 6 about
        [](QPainter& p) { stopwatch(p); },           // 7 automatic stop
        [](QPainter& p) { soundStart(p); },          // 8 automatic start
    };
    for (int i = 0; i < int(std::size(large)); ++i)
        save(dir, QStringLiteral("large%1.png").arg(i, 2, 10, QLatin1Char('0')), 32, large[i]);

    // The program's own picture for the desktop.
    const QString appDir = dir + QStringLiteral("/app");
    QDir().mkpath(appDir);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        save(appDir, QStringLiteral("tavrin-%1.png").arg(size), size, large[6]);
    saveSvg(appDir + QStringLiteral("/tavrin.svg"), large[6]);
    return 0;
}
