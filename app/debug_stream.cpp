#include "app/debug_stream.h"

#include <cstring>

#include <QFontMetricsF>
#include <QScrollBar>
#include <QString>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

debug_stream::debug_stream(std::ostream& stream, QTextEdit* pane)
    : stream(stream), previous_buffer(stream.rdbuf()), pane(pane)
{
    QObject::connect(pane->document(), &QTextDocument::contentsChange, &receiver, [this] {
        if (!writing) {
            only_empty_paragraphs = false;
            in_default_formats = false;
        }
    });
    follow_scroll_range();
    stream.rdbuf(this);
}

debug_stream::~debug_stream()
{
    if (!pending.empty())
        append_paragraph(line_text(pending.data(), pending.size()));
    end_burst();
    stream.rdbuf(previous_buffer);
}

std::streamsize debug_stream::xsputn(const char* s, std::streamsize n)
{
    pending.append(s, static_cast<std::size_t>(n));
    const std::size_t last_newline = pending.rfind('\n');
    if (last_newline != std::string::npos) {
        append_lines(pending.data(), last_newline + 1);
        pending.erase(0, last_newline + 1);
    }
    return n;
}

debug_stream::int_type debug_stream::overflow(int_type ch)
{
    if (ch == '\n') {
        append_paragraph(line_text(pending.data(), pending.size()));
        pending.clear();
    } else {
        pending.push_back(static_cast<char>(ch));
    }
    return ch;
}

// Bytes are ISO 8859-1, and the text ends at the first NUL byte, as for any C string.
QString debug_stream::line_text(const char* bytes, std::size_t size)
{
    const auto* nul = static_cast<const char*>(std::memchr(bytes, '\0', size));
    return QString::fromLatin1(bytes, int(nul ? nul - bytes : std::ptrdiff_t(size)));
}

// The lines of bytes, each ended by its newline. A plain line that follows a plain paragraph
// in the default formats joins it in one text, whose newlines the cursor turns into new
// paragraphs in those same formats: the lines go in as append_paragraph would write them,
// without a cursor operation each. A carriage return ends no line in that text, but turned
// into a carriage return and newline it would be one paragraph end, not two.
void debug_stream::append_lines(const char* bytes, std::size_t size)
{
    QString joined;
    const char* const stop = bytes + size;
    for (const char* line = bytes; line < stop;) {
        const auto* newline = static_cast<const char*>(std::memchr(line, '\n', stop - line));
        const QString text = line_text(line, std::size_t(newline - line));
        line = newline + 1;
        const bool plain = !text.contains(QLatin1Char('\r')) && !Qt::mightBeRichText(text);
        if (plain && (!joined.isEmpty() || in_default_formats)) {
            joined += QLatin1Char('\n');
            joined += text;
            continue;
        }
        insert_joined(joined);
        append_paragraph(text);
    }
    insert_joined(joined);
}

void debug_stream::insert_joined(QString& joined)
{
    if (joined.isEmpty())
        return;
    writing = true;
    end.insertText(joined);
    only_empty_paragraphs = pane->document()->isEmpty();
    writing = false;
    joined.clear();
}

// Like QTextEdit::append: a new paragraph in the default formats, rich text when it looks
// like it.
void debug_stream::append_paragraph(const QString& text)
{
    if (!burst_open)
        begin_burst();
    writing = true;
    const QTextDocument* document = pane->document();
    if (!document->isEmpty() || only_empty_paragraphs)
        end.insertBlock(QTextBlockFormat(), QTextCharFormat());
    else
        end.setCharFormat(QTextCharFormat());
    const bool rich = Qt::mightBeRichText(text);
    if (rich)
        end.insertHtml(text);
    else
        end.insertText(text);
    in_default_formats = !rich && end.blockFormat() == QTextBlockFormat()
                         && end.charFormat() == QTextCharFormat();
    only_empty_paragraphs = document->isEmpty();
    writing = false;
}

void debug_stream::begin_burst()
{
    const QScrollBar* scroll = pane->verticalScrollBar();
    follow_end = pane->isReadOnly() ? scroll->value() >= scroll->maximum()
                                    : pane->textCursor().atEnd();
    blocks_before_burst = pane->document()->blockCount();
    end = QTextCursor(pane->document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    burst_open = true;
    in_default_formats = false;
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
    if (!keeping_end)
        return;
    // Showing the end of a long text at once would lay all of it out in one go, holding the
    // window for as long (half a second at 10^5 lines): it is shown once the steps have laid
    // out its last paragraph.
    if (pane->document()->blockCount() - blocks_before_burst > long_burst)
        follow_when_laid_out.start();
    else
        pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

// A long text is laid out in steps after the burst, its height growing at each: the pane keeps
// showing its end through them, or once they are over after a long burst, until it is scrolled
// away from it.
void debug_stream::follow_scroll_range()
{
    QScrollBar* bar = pane->verticalScrollBar();
    follow_when_laid_out.setInterval(laid_out_check_ms);
    QObject::connect(&follow_when_laid_out, &QTimer::timeout, &receiver, [this, bar] {
        if (keeping_end && !pane->document()->lastBlock().layout()->lineCount())
            return;
        follow_when_laid_out.stop();
        if (keeping_end)
            bar->setValue(bar->maximum());
    });
    QObject::connect(bar, &QScrollBar::rangeChanged, &receiver, [this, bar](int, int maximum) {
        if (keeping_end && !follow_when_laid_out.isActive())
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
