#include "model/support_checks.h"

#include "model/box_support.h"

#include <QRegularExpression>

std::optional<support_checks::least_share> support_checks::parse_least_share(const QString& percent)
{
    // Six decimals at most keep every product of the comparison within 64 bits.
    static const QRegularExpression form(QStringLiteral("^(\\d{1,3})(?:\\.(\\d{0,6}))?$"));
    const QRegularExpressionMatch m = form.match(percent);
    if (!m.hasMatch())
        return std::nullopt;
    const QString decimals = m.captured(2);
    int64_t scale = 100;
    for (int i = 0; i < decimals.size(); ++i)
        scale *= 10;
    const int64_t numerator = (m.captured(1) + decimals).toLongLong();
    if (numerator > scale)
        return std::nullopt;  // above 100 %
    return least_share{numerator, scale, percent};
}

bool support_checks::share_fails(const box_support& s) const
{
    return min_share && s.below(min_share->numerator, min_share->denominator);
}

bool support_checks::centre_fails(const box_support& s) const
{
    return centre && !s.centre_supported;
}
