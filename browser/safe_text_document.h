#pragma once

#include <QTextDocument>

// A rich-text document that loads only the program's own ":/" resources. Markup in a box id
// may name any path (a file, a device, a FIFO); the toolkit's document would open it.
class safe_text_document : public QTextDocument {
    Q_OBJECT

public:
    explicit safe_text_document(QObject* parent = nullptr);

    // True when the document was asked for a resource it refused since it was created.
    bool refused_a_resource() const { return refused; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    bool refused = false;
};
