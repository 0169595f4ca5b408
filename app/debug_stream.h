#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <ostream>
#include <streambuf>
#include <string>

class QTextEdit;

// Turns every line written to a stream into one paragraph of a text edit, for as long as it
// lives. It keeps no put area, so every character and block reaches overflow or xsputn; a
// flush does nothing, and a line shows only once its newline has been written.
class debug_stream : public std::basic_streambuf<char> {
public:
    debug_stream(std::ostream& stream, QTextEdit* pane);
    ~debug_stream() override;

    debug_stream(const debug_stream&) = delete;
    debug_stream& operator=(const debug_stream&) = delete;

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int_type overflow(int_type ch) override;

private:
    static QString line_text(const char* bytes, std::size_t size);
    void append_lines(const char* bytes, std::size_t size);
    void insert_joined(QString& joined);
    void append_paragraph(const QString& text);
    void begin_burst();
    void end_burst();
    bool shows_scroll_bar_first();
    void follow_scroll_range();

    std::ostream& stream;
    std::streambuf* previous_buffer;
    std::string pending;
    QTextEdit* pane;

    // The lines written before control returns to the event loop go in as one edit block, so
    // that the pane lays its text out once for all of them instead of once a line: each layout
    // walks the whole document, which made a line cost more the longer the pane grew.
    QTextCursor end;           // at the end of the pane's text while a burst is open
    bool burst_open = false;
    bool follow_end = false;   // the pane was showing its end when the burst began
    bool keeping_end = false;  // and is kept showing it, its text laid out or not
    // After a burst of more paragraphs than this, the end is shown once the text is laid out
    // to its last paragraph, looked at this often.
    static constexpr int long_burst = 1000;
    static constexpr int laid_out_check_ms = 20;
    int blocks_before_burst = 0;
    QTimer follow_when_laid_out;
    bool writing = false;      // the document changes under way are this buffer's own
    // True while the pane holds nothing but the empty paragraphs this buffer wrote: an empty
    // document cannot tell one empty paragraph from none.
    bool only_empty_paragraphs = false;
    // The last paragraph written is a plain one whose block and characters have the default
    // formats, those a new paragraph gets.
    bool in_default_formats = false;
    QObject receiver;          // for the queued end of a burst and the document's changes
};
