#include "browser/safe_text_document.h"

#include <QFile>
#include <QPixmap>
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

}  // namespace

safe_text_document::safe_text_document(QObject* parent) : QTextDocument(parent) {}

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
