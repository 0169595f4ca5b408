// Draws the texture and the three tree icons that resources/ compiles into packview.
// Run by hand after a change: cmake --build build --target make_images &&
//   ./build/make_images resources
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdio>

namespace {

const QColor icon_background(250, 250, 250);

// A fine weave of light grey, so that the texture shades the faces without hiding colours.
QImage texture_image()
{
    QImage image(114, 118, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int grain = ((x / 3 + y / 3) % 2) * 18 + ((x * 7 + y * 13) % 11);
            const int level = 220 + grain > 255 ? 255 : 220 + grain;
            image.setPixel(x, y, qRgb(level, level, level - 6));
        }
    QPainter painter(&image);
    painter.setPen(QColor(170, 170, 165));
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    return image;
}

QImage blank_icon()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(icon_background);
    return image;
}

// A small cube seen from above-front: front face, top face and right face.
void draw_cube(QPainter& painter, int x, int y, int size, const QColor& color)
{
    const int depth = size / 2;
    painter.setPen(color.darker(200));
    painter.setBrush(color);
    painter.drawRect(x, y + depth, size, size);
    painter.setBrush(color.lighter(130));
    painter.drawPolygon(QPolygon({QPoint(x, y + depth), QPoint(x + depth, y),
                                  QPoint(x + size + depth, y), QPoint(x + size, y + depth)}));
    painter.setBrush(color.darker(130));
    painter.drawPolygon(QPolygon({QPoint(x + size, y + depth), QPoint(x + size + depth, y),
                                  QPoint(x + size + depth, y + size),
                                  QPoint(x + size, y + size + depth)}));
}

QImage root_icon()
{
    QImage image = blank_icon();
    QPainter painter(&image);
    painter.setPen(QColor(20, 40, 120));
    painter.setBrush(QColor(40, 80, 210));
    painter.drawRect(1, 8, 5, 6);  // blue block
    painter.setPen(QColor(150, 80, 0));
    painter.setBrush(QColor(255, 150, 30));
    painter.drawPolygon(QPolygon({QPoint(5, 14), QPoint(8, 3), QPoint(11, 14)}));  // pyramid
    painter.setPen(QColor(120, 0, 0));
    painter.setBrush(QColor(220, 30, 30));
    painter.drawEllipse(10, 9, 5, 5);  // red ball
    return image;
}

QImage session_icon()
{
    QImage image = blank_icon();
    QPainter painter(&image);
    draw_cube(painter, 0, 7, 5, QColor(230, 210, 20));
    draw_cube(painter, 5, 0, 5, QColor(150, 200, 240));
    draw_cube(painter, 8, 8, 5, QColor(220, 30, 30));
    return image;
}

QImage box_icon()
{
    static const QColor cells[] = {QColor(221, 0, 0), QColor(0, 0, 221), QColor(221, 221, 0),
                                   QColor(51, 204, 204), QColor(255, 102, 51),
                                   QColor(102, 0, 102)};
    QImage image = blank_icon();
    QPainter painter(&image);
    draw_cube(painter, 1, 1, 10, QColor(200, 200, 200));
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            painter.setBrush(cells[(row * 3 + column) % 6]);
            painter.drawRect(2 + column * 3, 7 + row * 3, 2, 2);
        }
    return image;
}

bool save(const QImage& image, const QString& path, const char* format)
{
    if (image.save(path, format, 90))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");  // draws into images only, needs no display
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_images RESOURCES_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool ok = save(texture_image(), folder + "/textures/image/t1.jpg", "JPG")
                    && save(root_icon(), folder + "/liste/image/root.png", "PNG")
                    && save(session_icon(), folder + "/liste/image/boxs.png", "PNG")
                    && save(box_icon(), folder + "/liste/image/box.png", "PNG");
    return ok ? 0 : 1;
}
