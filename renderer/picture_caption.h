#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

struct packing_fault;

// What a picture says of itself, in a band under the views: the file's name, the verdict with
// the faults counted by kind as the lines list them (and those the cap left out), and a legend
// of the marks. The same texts go into the PNG's "Caption" and "Legend" text entries, for
// whoever reads pictures without looking at them.
class picture_caption {
public:
    picture_caption(const QString& file_name, bool loaded,
                    const std::vector<packing_fault>& faults, int64_t left_out);

    QString caption() const;
    QString legend() const;
    // The views with the band under them.
    QImage under(const QImage& views) const;

private:
    QString file_name_;
    bool loaded_;
    QString counts_;
    bool faulty_;
};
