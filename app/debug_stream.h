#pragma once

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
    void append_paragraph(const std::string& bytes);

    std::ostream& stream;
    std::streambuf* previous_buffer;
    std::string pending;
    QTextEdit* pane;
    // The pane's revision right after this buffer left it holding only empty paragraphs, which
    // an empty document cannot tell apart from no paragraph at all; -1 otherwise.
    int revision_after_empty_paragraph = -1;
};
