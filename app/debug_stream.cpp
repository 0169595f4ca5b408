#include "app/debug_stream.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextEdit>

debug_stream::debug_stream(std::ostream& stream, QTextEdit* pane)
    : stream(stream), previous_buffer(stream.rdbuf()), pane(pane)
{
    QObject::connect(pane->document(), &QTextDocument::contentsChange, &receiver, [this] {
        if (!writing)
            only_empty_paragraphs = false;
    });
    follow_scroll_range();
    stream.rdbuf(this);
}

debug_stream::~debug_stream()
{
    if (!pending.empty())
        append_paragraph(pending);
    end_burst();
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

// Bytes are ISO 8859-1, and the text ends at the first NUL byte, as for any C string. Like
// QTextEdit::append: a new paragraph in the default formats, rich text when it looks like it.
void debug_stream::append_paragraph(const std::string& bytes)
{
    const QString text = QString::fromLatin1(bytes.c_str());
    if (!burst_open)
        begin_burst();
    writing = true;
    const QTextDocument* document = pane->document();
    if (!document->isEmpty() || only_empty_paragraphs)
        end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    else
        end.setCharFormat(QTextCharFormat());
    if (Qt::mightBeRichText(text))
        end.insertHtml(text);
    else
        end.insertText(text);
    only_empty_paragraphs = document->isEmpty();
    writing = false;
}

void debug_stream::begin_burst()
{
    const QScrollBar* scroll = pane->verticalScrollBar();
    follow_end = pane->isReadOnly() ? scroll->value() >= scroll->maximum()
                                    : pane->textCursor().atEnd();
    end = QTextCursor(pane->document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    burst_open = true;
    QMetaObject::invokeMethod(&receiver, [this] { end_burst(); }, Qt::QueuedConnection);
}

void debug_stream::end_burst()
{
    if (!burst_open)
        return;
    burst_open = false;
    const bool bar_shown_first = shows_scroll_bar_first();
    writing = true;
    end.endEditBlock();
    writing = false;
    if (bar_shown_first)
        pane->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    end = QTextCursor();
    keeping_end = follow_end;
    if (keeping_end)
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

// A long text is laid out in steps after the burst, its height growing at each: the pane keeps
// showing its end through them, until it is scrolled away from it.
void debug_stream::follow_scroll_range()
{
    QScrollBar* bar = pane->verticalScrollBar();
    QObject::connect(bar, &QScrollBar::rangeChanged, &receiver, [this, bar](int, int maximum) {
        if (keeping_end)
            bar->setValue(maximum);
    });
    QObject::connect(bar, &QScrollBar::valueChanged, &receiver, [this, bar](int value) {
        keeping_end = keeping_end && value >= bar->maximum();
    });
}

// A pane whose text grows past its height gets its scroll bar, narrower, and lays all its text
// out again for the new width. When the paragraphs of a burst are bound to overflow (each is a
// line high at least), the bar comes before their layout, so the text is laid out once.
bool debug_stream::shows_scroll_bar_first()
{
    const QScrollBar* bar = pane->verticalScrollBar();
    if (pane->verticalScrollBarPolicy() != Qt::ScrollBarAsNeeded || bar->isVisibleTo(pane))
        return false;
    const QTextDocument* document = pane->document();
    const qreal least_height =
        document->blockCount() * QFontMetricsF(document->defaultFont()).lineSpacing();
    if (least_height <= pane->viewport()->height())
        return false;
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return true;
}
