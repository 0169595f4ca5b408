#pragma once

#include "checker/check_options.h"
#include "model/fault_cap.h"
#include "model/fault_sink.h"

#include <vector>

struct file_check;

// The checker's lines of one file, in the viewer's ISO 8859-1 ('?' for what it cannot hold):
// the viewer's lines of a failed file as soon as they are known, then each fault as it is
// found, up to the cap, and the figures at the end. The faults written may also be kept, for
// whoever draws them.
class text_report : public fault_sink {
public:
    text_report(const check_options& o, std::vector<packing_fault>* written_faults = nullptr);

    // Checks the file named by native_path and writes all its lines; left_out, when given,
    // gets the count of faults the cap kept from the lines.
    static file_check check(const QByteArray& native_path, const check_options& o,
                            std::vector<packing_fault>* written_faults = nullptr,
                            int64_t* left_out = nullptr);

    // One line on the standard output stream, in ISO 8859-1.
    static void write_line(const QString& line);

    void viewer_finished(const QStringList& lines, bool loaded) override;
    void take(const packing_fault& f) override;
    int64_t room() const override;
    void pass_over(int64_t count) override;
    void finish(const file_check& c);

private:
    void write_fault(const packing_fault& f);
    void write_statistics(const file_check& c) const;

    const check_options& o;
    fault_cap cap;
    std::vector<packing_fault>* written_faults;
};
