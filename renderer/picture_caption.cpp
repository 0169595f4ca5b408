#include "renderer/picture_caption.h"

#include "model/fault_line.h"
#include "model/packing_fault.h"
#include "view3d/fault_marks.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <map>

namespace {

struct legend_entry {
    fault_marks::rgb fill;
    fault_marks::rgb edge;
    const char* text;
};

constexpr fault_marks::rgb box_at_fault = {0.55f, 0.55f, 0.55f};
constexpr fault_marks::rgb box_without_fault = {0.28f, 0.28f, 0.28f};

const legend_entry legend_entries[] = {
    {fault_marks::overlap_colour, fault_marks::overlap_colour, "cellules partagees (collision)"},
    {fault_marks::outside_colour, fault_marks::outside_colour, "partie hors du conteneur"},
    {box_at_fault, fault_marks::overlap_colour, "boite en defaut"},
    {box_without_fault, box_without_fault, "boite sans defaut"},
};

QColor colour_of(const fault_marks::rgb& c)
{
    return QColor::fromRgbF(double(c.red), double(c.green), double(c.blue));
}

QFont caption_font(int pixel_size, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    return font;
}

}  // namespace

picture_caption::picture_caption(const QString& file_name, bool loaded,
                                 const std::vector<packing_fault>& faults, int64_t left_out)
    : file_name_(file_name), loaded_(loaded), faulty_(!faults.empty())
{
    std::map<int, int64_t> by_kind;
    for (const packing_fault& f : faults)
        ++by_kind[int(f.what)];
    QStringList counts;
    // Overlaps first, as the fault table opens on them.
    for (auto it = by_kind.rbegin(); it != by_kind.rend(); ++it)
        counts << fault_kind_name(it->first) + QLatin1Char(' ') + QString::number(it->second);
    if (left_out > 0)
        counts << QLatin1String("autres ") + QString::number(left_out);
    counts_ = counts.join(QLatin1String(", "));
}

QString picture_caption::caption() const
{
    QString verdict = loaded_ ? QStringLiteral("OK") : QStringLiteral("PBM");
    if (!counts_.isEmpty())
        verdict += QLatin1String(" - defauts : ") + counts_;
    return file_name_ + QLatin1String(" : ") + verdict;
}

QString picture_caption::legend() const
{
    QStringList texts;
    for (const legend_entry& e : legend_entries)
        texts << QString::fromLatin1(e.text);
    return texts.join(QLatin1String("; "));
}

QImage picture_caption::under(const QImage& views) const
{
    const QFont title = caption_font(15, true);
    const QFont small = caption_font(12, false);
    const int line = QFontMetrics(title).height();
    const int small_line = QFontMetrics(small).height();
    constexpr int pad = 6;
    const int band = pad + line + pad + small_line + pad;
    QImage picture(views.width(), views.height() + band, QImage::Format_RGB32);
    picture.fill(QColor(248, 248, 248));
    QPainter painter(&picture);
    painter.drawImage(0, 0, views);
    painter.setPen(loaded_ ? QColor(0, 90, 0) : QColor(150, 0, 0));
    painter.setFont(title);
    int y = views.height() + pad;
    painter.drawText(QRect(pad, y, views.width() - 2 * pad, line), Qt::AlignLeft | Qt::AlignVCenter,
                     caption());
    y += line + pad;
    painter.setFont(small);
    int x = pad;
    for (const legend_entry& e : legend_entries) {
        const QRect swatch(x, y + 1, small_line - 2, small_line - 2);
        painter.fillRect(swatch, colour_of(e.fill));
        painter.setPen(QPen(colour_of(e.edge), 2));
        painter.drawRect(swatch.adjusted(1, 1, -1, -1));
        x += swatch.width() + 4;
        painter.setPen(QColor(30, 30, 30));
        const QString text = QString::fromLatin1(e.text);
        painter.drawText(QRect(x, y, views.width(), small_line), Qt::AlignLeft | Qt::AlignVCenter,
                         text);
        x += QFontMetrics(small).horizontalAdvance(text) + 14;
    }
    painter.end();
    picture.setText(QStringLiteral("Caption"), caption());
    picture.setText(QStringLiteral("Legend"), legend());
    return picture;
}
