#pragma once

#include <QTextDocument>
#include <QTextOption>

// A rich-text document for the panes that show box ids.
// - It loads only the program's own ":/" resources. Markup in a box id may name any path (a
//   file, a device, a FIFO); the toolkit's document would open it.
// - In the word-boundary-or-anywhere wrap mode, it breaks lines anywhere while it holds a run
//   without a break opportunity longer than long_run characters. That mode measures the rest
//   of such a run again for every line it fills, which costs time in the square of the run's
//   length; breaking anywhere costs time in proportion to it. An emptied document goes back
//   to the word boundaries.
class safe_text_document : public QTextDocument {
    Q_OBJECT

public:
    explicit safe_text_document(QObject* parent = nullptr);

    // No line can hold a run this long, so breaking it anywhere changes none of its lines.
    static constexpr int long_run = 1000;

    // True when the document was asked for a resource it refused since it was created.
    bool refused_a_resource() const { return refused; }

    // True while the document breaks its lines anywhere because of a long run.
    bool breaks_anywhere() const { return breaking_anywhere; }

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void follow_long_runs(int from, int added);
    void set_wrap_mode(QTextOption::WrapMode mode);

    bool refused = false;
    bool breaking_anywhere = false;
};
