#include "browser/safe_text_document.h"

#include <QFile>
#include <QPixmap>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QUrl>

namespace {

// The resource path a name stands for, or an empty text when it names anything else.
QString own_resource_path(const QUrl& name)
{
    if (name.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + name.path();
    if (name.scheme().isEmpty() && name.path().startsWith(QLatin1String(":/")))
        return name.path();
    return QString();
}

// True when the text holds more than limit characters between two line break opportunities.
bool holds_run_longer_than(const QString& text, int limit)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    int previous = 0;
    for (int next = breaks.toNextBoundary(); next != -1; next = breaks.toNextBoundary()) {
        if (next - previous > limit)
            return true;
        previous = next;
    }
    return false;
}

}  // namespace

safe_text_document::safe_text_document(QObject* parent) : QTextDocument(parent)
{
    connect(this, &QTextDocument::contentsChange, this,
            [this](int from, int, int added) { follow_long_runs(from, added); });
}

QVariant safe_text_document::loadResource(int type, const QUrl& name)
{
    const QString path = own_resource_path(name);
    QFile resource(path);
    if (!path.isEmpty() && resource.open(QIODevice::ReadOnly))
        return resource.readAll();
    refused = refused || path.isEmpty();
    // An image the document does not get would be read by the toolkit from the name itself;
    // it gets the picture the toolkit shows for an image it cannot find.
    if (type == QTextDocument::ImageResource)
        return QPixmap(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    return QVariant();
}

// Runs before the layout sees the change, so the new text is laid out once, in the right mode.
// Only the paragraphs the change touched are read: a log that grows pays for its new lines.
void safe_text_document::follow_long_runs(int from, int added)
{
    if (isEmpty()) {
        if (breaking_anywhere)
            set_wrap_mode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        breaking_anywhere = false;
        return;
    }
    if (breaking_anywhere
        || defaultTextOption().wrapMode() != QTextOption::WrapAtWordBoundaryOrAnywhere)
        return;
    const QTextBlock last = findBlock(from + added);
    for (QTextBlock block = findBlock(from); block.isValid(); block = block.next()) {
        if (block.length() > long_run && holds_run_longer_than(block.text(), long_run)) {
            breaking_anywhere = true;
            set_wrap_mode(QTextOption::WrapAnywhere);
            return;
        }
        if (block == last)
            return;
    }
}

void safe_text_document::set_wrap_mode(QTextOption::WrapMode mode)
{
    QTextOption option = defaultTextOption();
    option.setWrapMode(mode);
    setDefaultTextOption(option);
}
