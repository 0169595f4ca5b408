#include "app/support_description.h"

#include "model/box_support.h"
#include "model/fault_line.h"

QString support_description(const box_support& s)
{
    QString figures;
    if (s.on_floor)
        figures = QStringLiteral("au sol");
    else if (!s.has_share())
        figures = QStringLiteral("aucune part (base sans aire)");
    else
        figures = share_text(s.supported_area, s.base_area);
    figures += s.centre_supported ? QStringLiteral(", centre soutenu")
                                  : QStringLiteral(", centre non soutenu");
    return QStringLiteral("<br>Appui : <br>&nbsp;&nbsp; ") + figures.toHtmlEscaped()
           + QStringLiteral("<br>");
}
