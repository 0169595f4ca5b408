#pragma once

// Session files for the benchmarks, and the least any reader of them must do.

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QXmlStreamReader>

struct container_size {
    int length, width, height;
};

constexpr container_size high_cube_40ft_mm{12032, 2352, 2698};

// A lattice of nx x nz x ny cells filling the container, one box per cell with random extents
// that fit it, so that no box overlaps another; every box floats gap units above its cell's
// floor, so that the first move lets the whole load settle. With collide_every > 1, every
// collide_every-th box is put at the corner of the box before it instead of in its own cell,
// so that exactly those boxes each share cells with one earlier box.
inline bool write_lattice(const QString& path, container_size c, int nx, int nz, int ny,
                          int gap, int collide_every = 0)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(42);
    const int sx = c.length / nx, sz = c.width / nz, sy = c.height / ny;
    file.write(QStringLiteral("<?xml version=\"1.0\"?>\n<qarvel name=\"lattice\">\n"
                              "<container length=\"%1\" width=\"%2\" height=\"%3\"/>\n<param/>\n"
                              "<boxs number=\"%4\">\n")
                   .arg(c.length).arg(c.width).arg(c.height).arg(nx * nz * ny)
                   .toLatin1());
    int id = 0;
    int px = 0, py = 0, pz = 0;
    for (int i = 0; i < nx; ++i)
        for (int k = 0; k < nz; ++k)
            for (int j = 0; j < ny; ++j) {
                // The first box is one unit short on x, so that Right moves it.
                const int length = id == 0 ? sx - 1 : random.bounded(sx / 2, sx + 1);
                ++id;
                if (collide_every < 2 || id % collide_every != 0) {
                    px = i * sx;
                    py = j * sy + gap;
                    pz = k * sz;
                }
                file.write(QStringLiteral("<box id=\"b%1\" length=\"%2\" width=\"%3\" "
                                          "height=\"%4\" px=\"%5\" py=\"%6\" pz=\"%7\" "
                                          "color=\"%8\"/>\n")
                               .arg(id).arg(length).arg(random.bounded(sz / 2, sz + 1))
                               .arg(random.bounded(sy / 2, sy - gap + 1))
                               .arg(px).arg(py).arg(pz)
                               .arg(random.bounded(16))
                               .toLatin1());
            }
    file.write("</boxs>\n</qarvel>\n");
    return true;
}

// count boxes of 2 x 2 x 2 all in the same place: every box shares cells with every earlier
// one, count (count - 1) / 2 pairs in all.
inline bool write_one_place(const QString& path, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("<qarvel name=\"one place\"><container length=\"10\" width=\"10\" "
                              "height=\"10\"/>\n<boxs number=\"%1\">\n")
                   .arg(count).toLatin1());
    for (int i = 0; i < count; ++i)
        file.write(QStringLiteral("<box id=\"b%1\" length=\"2\" width=\"2\" height=\"2\" "
                                  "px=\"1\" py=\"0\" pz=\"1\"/>\n")
                       .arg(i).toLatin1());
    file.write("</boxs>\n</qarvel>\n");
    return true;
}

// Every token and every attribute value, and nothing more: the least any reader must do.
inline QString bare_xml_pass(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("NOT OPENED");
    QXmlStreamReader xml(&file);
    qint64 tokens = 0, characters = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        ++tokens;
        for (const QXmlStreamAttribute& a : xml.attributes())
            characters += a.value().toString().size();
    }
    return QStringLiteral("%1 tokens, %2 attribute characters").arg(tokens).arg(characters);
}
