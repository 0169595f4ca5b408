#include "model/session_reader.h"

#include "model/block_groups.h"
#include "model/cell_range.h"
#include "model/fault_sink.h"
#include "model/packing_check.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

const QString format_error_unknown_element =
    QStringLiteral("Erreur: le format du fichier session n'est pas correcte [1]");
const QString format_error_mismatched_end =
    QStringLiteral("Erreur: le format du fichier session n'est pas correct [2]");
const QString format_error_unclosed =
    QStringLiteral("Erreur: le format du fichier session n'est pas correct [3]");
const QString format_error_box_count =
    QStringLiteral("Erreur: le format du fichier session n'est pas correct [4]");
const QString format_error_container =
    QStringLiteral("Erreur: le format du fichier session n'est pas correct [5]");

bool is_known_element(const QStringRef& name)
{
    return name == QLatin1String("qarvel") || name == QLatin1String("container")
           || name == QLatin1String("param") || name == QLatin1String("boxs")
           || name == QLatin1String("box");
}

// Empty or non-numeric text reads as 0, as does a value past 32 bits.
int integer_attribute(const QXmlStreamReader& xml, const char* name)
{
    return xml.attributes().value(QLatin1String(name)).toInt();
}

QString text_attribute(const QXmlStreamReader& xml, const char* name)
{
    return xml.attributes().value(QLatin1String(name)).toString();
}

cell_range shared_cells(const cell_range& a, const cell_range& b)
{
    return {std::max(a.x0, b.x0), std::min(a.x1, b.x1), std::max(a.z0, b.z0),
            std::min(a.z1, b.z1), std::max(a.y0, b.y0), std::min(a.y1, b.y1)};
}

// The state of one reading, from the first token to the count test. The viewer's lines stop
// at the first fault; in every_fault mode the reading goes on past packing faults, taking
// each box inside the container into the grid even when it overlaps, so that a later box is
// paired with every box it meets.
class reading {
public:
    reading(QXmlStreamReader& xml, session_reader::result& out, session_reader::mode m,
            fault_sink* sink)
        : xml(xml), out(out), every_fault(m == session_reader::mode::every_fault), sink(sink)
    {
    }

    bool run()
    {
        bool result = token_loop();
        if (result && !out.container)
            result = format_fault(format_error_container);
        if (box_count != declared_number)
            result = format_fault(format_error_box_count);
        announce_viewer_lines(result);
        return result;
    }

private:
    bool token_loop()
    {
        xml.readNext();
        for (;;) {
            if (xml.atEnd()) {
                if ((ok || every_fault) && !open_elements.isEmpty())
                    return format_fault(format_error_unclosed);
                return ok;
            }
            if (!ok && !every_fault)
                return false;
            if (xml.isStartElement() && !start_element())
                return false;
            if (xml.isEndElement() && !end_element())
                return false;
            xml.readNext();
        }
    }

    // False when the reading must stop at this element.
    bool start_element()
    {
        const QStringRef name = xml.name();
        if (!is_known_element(name))
            return format_fault(format_error_unknown_element);
        open_elements.push_back(name.toString());
        if (name == QLatin1String("qarvel"))
            out.name = text_attribute(xml, "name");
        else if (name == QLatin1String("container"))
            return read_container();
        else if (name == QLatin1String("boxs"))
            declared_number = integer_attribute(xml, "number");
        else if (name == QLatin1String("box"))
            return read_box();
        return true;
    }

    bool end_element()
    {
        const QString top = open_elements.takeLast();
        if (top != xml.name())
            return format_fault(format_error_mismatched_end);
        return true;
    }

    bool read_container()
    {
        // A new grid now would leave the boxes already read out of it, and their overlaps
        // with later boxes would go unreported.
        if (box_count > 0)
            return format_fault(format_error_container);
        const dimension size(integer_attribute(xml, "length"), integer_attribute(xml, "width"),
                             integer_attribute(xml, "height"));
        out.grid.reset();
        out.container = std::make_unique<dimension>(size);
        out.grid = std::make_unique<occupancy_grid>(size);
        return true;
    }

    bool read_box()
    {
        ++box_count;
        if (!out.container)
            return format_fault(format_error_container);
        const int length = integer_attribute(xml, "length");
        const int width = integer_attribute(xml, "width");
        const int height = integer_attribute(xml, "height");
        const position where(integer_attribute(xml, "px"), integer_attribute(xml, "py"),
                             integer_attribute(xml, "pz"));
        auto b = std::make_unique<box>(where, dimension(length, width, height));
        b->id = text_attribute(xml, "id");
        b->color = integer_attribute(xml, "color");
        const int index = int(out.boxes.size());
        const int axes = outside_axes(*out.container, *b);
        if (check_box(*out.grid, *out.container, *b, viewer_lines())) {
            viewer_stops();
            note_packing_faults(index, *b, axes);
        }
        if (axes == 0)
            out.grid->take(*b);
        out.boxes.push_back(std::move(b));
        return true;
    }

    void note_packing_faults(int index, const box& b, int axes)
    {
        packing_fault f;
        f.index = index;
        f.id = b.id;
        if (axes != 0) {
            f.what = packing_fault::kind::outside;
            f.axes = axes;
            found(f);
            return;
        }
        // By the index of the earlier box, so that every run reports them in the same order
        // whatever order the spatial index finds them in; past the sink's room only counted.
        const cell_range cells = cell_range::of(b);
        std::vector<int> first;
        const int64_t count = taken_groups().meeting(cells, room(), first);
        f.what = packing_fault::kind::collision;
        for (int other_index : first) {
            const box& other = *out.boxes[std::size_t(other_index)];
            f.other_index = other_index;
            f.other_id = other.id;
            f.shared = shared_cells(cells, cell_range::of(other));
            found(f);
        }
        pass_over(count - int64_t(first.size()));
    }

    // The boxes in the grid, by their blocks; made at the first collision and brought up to
    // date at each, since most files have none.
    block_groups& taken_groups()
    {
        if (!groups)
            groups = std::make_unique<block_groups>();
        for (; grouped < out.boxes.size(); ++grouped) {
            const box& earlier = *out.boxes[grouped];
            if (outside_axes(*out.container, earlier) == 0)
                groups->add(cell_range::of(earlier), int(grouped));
        }
        return *groups;
    }

    // At the first packing fault the viewer's reading ends: its lines close with the count
    // test as it stands there, and every later fault is only noted.
    void viewer_stops()
    {
        ok = false;
        if (!every_fault || viewer_done)
            return;
        if (box_count != declared_number)
            out.report << format_error_box_count;
        viewer_done = true;
        announce_viewer_lines(false);
    }

    // A sink hears of the viewer's verdict before any fault, so that it can write the
    // viewer's lines first; faults found before that wait, and they are few: those of the
    // format end the reading, and the viewer stops at the first box at fault.
    void announce_viewer_lines(bool loaded)
    {
        if (!sink || announced)
            return;
        announced = true;
        sink->viewer_finished(out.report, loaded);
        for (const packing_fault& f : waiting)
            sink->take(f);
        waiting.clear();
        if (passed_while_waiting > 0)
            sink->pass_over(passed_while_waiting);
    }

    // How many more faults are taken one by one: all of them without a sink.
    int64_t room() const
    {
        if (!sink)
            return std::numeric_limits<int64_t>::max();
        return std::max<int64_t>(0, sink->room() - int64_t(waiting.size()));
    }

    void pass_over(int64_t count)
    {
        if (count == 0)
            return;
        if (announced)
            sink->pass_over(count);
        else
            passed_while_waiting += count;
    }

    void found(const packing_fault& f)
    {
        if (room() == 0)
            pass_over(1);
        else if (!sink)
            out.faults.push_back(f);
        else if (announced)
            sink->take(f);
        else
            waiting.push_back(f);
    }

    QStringList& viewer_lines() { return viewer_done ? lines_after_viewer : out.report; }

    // Always false: the reading stops at a fault of the format.
    bool format_fault(const QString& message)
    {
        viewer_lines() << message;
        packing_fault f;
        f.message = message;
        found(f);
        return false;
    }

    QXmlStreamReader& xml;
    session_reader::result& out;
    const bool every_fault;
    fault_sink* const sink;
    bool announced = false;    // the sink has the viewer's lines
    std::vector<packing_fault> waiting;  // for the sink, until then
    int64_t passed_while_waiting = 0;    // faults past its room, until then
    bool ok = true;            // no packing fault yet
    bool viewer_done = false;  // every_fault mode, past the point where the viewer stopped
    int box_count = 0;
    int declared_number = 0;
    QStringList open_elements;
    std::unique_ptr<block_groups> groups;  // of the boxes read, once a collision needs them
    std::size_t grouped = 0;               // boxes read that groups has seen
    QStringList lines_after_viewer;               // lines the viewer never writes
};

// The file as its line-by-line copy in text mode gives it: a CR LF becomes LF, a lone CR
// stays (the XML reader then reads it as a blank). Served block by block, so that memory
// does not grow with the file.
class line_end_device : public QIODevice {
public:
    explicit line_end_device(QFile& file) : file(file)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    // Fills the whole block asked for, as the copy in memory would, until the file ends: the
    // XML reader rejects a whole block that holds a byte invalid in its encoding, so blocks cut
    // elsewhere would move the point where it stops.
    qint64 readData(char* data, qint64 max_size) override
    {
        qint64 filled = 0;
        while (filled < max_size) {
            const qint64 read = file.read(data + filled, max_size - filled);
            if (read <= 0)
                break;
            filled += drop_cr_before_lf(data + filled, read);
            // A CR that ends the block pairs with an LF that starts the next one.
            char next;
            if (data[filled - 1] == '\r' && file.peek(&next, 1) == 1 && next == '\n') {
                file.getChar(&next);
                data[filled - 1] = '\n';
            }
        }
        return filled > 0 ? filled : -1;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Removes in place every CR followed by an LF; returns the new size.
    static qint64 drop_cr_before_lf(char* data, qint64 size)
    {
        const char* const end = data + size;
        char* kept_end = data;
        const char* from = data;
        for (;;) {
            const auto* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(end - from)));
            const char* const run_end = cr ? cr : end;
            std::memmove(kept_end, from, size_t(run_end - from));
            kept_end += run_end - from;
            if (!cr)
                return kept_end - data;
            if (cr + 1 == end || cr[1] != '\n')
                *kept_end++ = '\r';
            from = cr + 1;
        }
    }

    QFile& file;
};

// Opened without blocking and checked on the open descriptor, not on the path: a FIFO or a
// device would block in the open or never end, and a path checked before the open can be
// swapped for one in between.
// A directory gets the toolkit's own reason, as its open would give it.
bool open_regular_file(const QByteArray& path, QFile& file, QString& error)
{
    if (path.isEmpty()) {
        file.open(QIODevice::ReadOnly);  // fails, with the toolkit's own reason
        error = file.errorString();
        return false;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = qt_error_string(errno);
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        error = S_ISDIR(status.st_mode)
                    ? QCoreApplication::translate("QIODevice", "file to open is a directory")
                    : QStringLiteral("file to open is not a regular file");
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

session_reader::result session_reader::read(const QString& path, mode m, fault_sink* sink)
{
    return read_native(QFile::encodeName(path), m, sink);
}

session_reader::result session_reader::read_native(const QByteArray& native_path, mode m,
                                                   fault_sink* sink)
{
    result out;
    QFile file;
    if (!open_regular_file(native_path, file, out.open_error)) {
        out.unreadable = true;
        return out;
    }
    line_end_device text(file);
    QXmlStreamReader xml(&text);
    out.loaded = reading(xml, out, m, sink).run();
    if (!out.loaded && m == mode::first_fault) {
        out.boxes.clear();
        out.grid.reset();
        out.container.reset();
    }
    return out;
}
