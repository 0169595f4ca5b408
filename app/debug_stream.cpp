#include "app/debug_stream.h"

#include <QString>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

debug_stream::debug_stream(std::ostream& stream, QTextEdit* pane)
    : stream(stream), previous_buffer(stream.rdbuf()), pane(pane)
{
    stream.rdbuf(this);
}

debug_stream::~debug_stream()
{
    if (!pending.empty())
        append_paragraph(pending);
    stream.rdbuf(previous_buffer);
}

std::streamsize debug_stream::xsputn(const char* s, std::streamsize n)
{
    pending.append(s, static_cast<std::size_t>(n));
    std::size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
        append_paragraph(pending.substr(0, newline));
        pending.erase(0, newline + 1);
    }
    return n;
}

debug_stream::int_type debug_stream::overflow(int_type ch)
{
    if (ch == '\n') {
        append_paragraph(pending);
        pending.clear();
    } else {
        pending.push_back(static_cast<char>(ch));
    }
    return ch;
}

// Bytes are ISO 8859-1, and the text ends at the first NUL byte, as for any C string.
void debug_stream::append_paragraph(const std::string& bytes)
{
    const QString text = QString::fromLatin1(bytes.c_str());
    QTextDocument* document = pane->document();
    if (document->isEmpty() && document->revision() == revision_after_empty_paragraph) {
        // The pane holds only the empty paragraph written last; append() would write into
        // it instead of adding one, and the empty line would be lost.
        QTextCursor end(document);
        end.movePosition(QTextCursor::End);
        end.insertBlock();
        end.insertText(text);
    } else {
        pane->append(text);
    }
    revision_after_empty_paragraph = document->isEmpty() ? document->revision() : -1;
}
