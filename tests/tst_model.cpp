#include "model/box.h"
#include "model/box_moves.h"
#include "model/cell_range.h"
#include "model/cell_union.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"
#include "model/packing_check.h"
#include "model/palette.h"
#include "model/session.h"
#include "model/session_reader.h"
#include "model/support_map.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>

#include <limits>
#include <memory>
#include <vector>

namespace {

// A box as a file would give it: position, extents along x, z, y, and its id.
struct box_row {
    int px, py, pz;
    int length, width, height;
    QString id;
};

std::unique_ptr<box> make_box(const box_row& row)
{
    auto b = std::make_unique<box>(position(row.px, row.py, row.pz),
                                   dimension(row.length, row.width, row.height));
    b->id = row.id;
    return b;
}

QStringList outside_message(const QString& id)
{
    return {QString(),
            "Erreur: il existe des boites qui depassent la taille de conteneur. [boite " + id + "]",
            QString()};
}

QStringList collision_message(const QString& id)
{
    return {QString(), "Erreur: collision detectee [boite " + id + "]", QString()};
}

// How many boxes cover each cell of the container, counted straight from the boxes' corners
// and extents, without the grid.
class coverage {
public:
    explicit coverage(const dimension& container)
        : length(container.length()), width(container.width()), height(container.height()),
          counts(std::size_t(length) * std::size_t(width) * std::size_t(height), 0)
    {
    }

    void add(const box& b)
    {
        const position& p = b.position;
        const dimension& d = b.dimension;
        for (int x = p.px; x < p.px + d.length(); ++x)
            for (int z = p.pz; z < p.pz + d.width(); ++z)
                for (int y = p.py; y < p.py + d.height(); ++y) {
                    QVERIFY2(x >= 0 && x < length && z >= 0 && z < width && y >= 0 && y < height,
                             qPrintable(QStringLiteral("box %1 left the container").arg(b.id)));
                    ++counts[index(x, z, y)];
                }
    }

    int at(int x, int z, int y) const { return counts[index(x, z, y)]; }

    int length, width, height;

private:
    std::size_t index(int x, int z, int y) const
    {
        return (std::size_t(x) * std::size_t(width) + std::size_t(z)) * std::size_t(height)
               + std::size_t(y);
    }

    std::vector<int> counts;
};

// Fails the running test unless the grid holds exactly the cells the boxes cover, each by
// one box only.
void verify_grid_matches_boxes(const session& s)
{
    coverage expected(*s.container);
    for (const auto& b : s.boxes) {
        expected.add(*b);
        if (QTest::currentTestFailed())
            return;
    }
    for (int x = 0; x < expected.length; ++x)
        for (int z = 0; z < expected.width; ++z)
            for (int y = 0; y < expected.height; ++y) {
                const int covering = expected.at(x, z, y);
                if (covering <= 1 && s.grid->cell(x, z, y) == (covering == 1))
                    continue;
                QFAIL(qPrintable(QStringLiteral("cell [%1][%2][%3] is covered by %4 boxes, "
                                                "the grid says %5")
                                     .arg(x).arg(z).arg(y).arg(covering)
                                     .arg(s.grid->cell(x, z, y) ? "taken" : "free")));
            }
}

// Adds the box to the session the way the reader does, when the packing check accepts it.
bool try_place(session& s, const box_row& row)
{
    auto b = make_box(row);
    QStringList report;
    if (check_box(*s.grid, *s.container, *b, report))
        return false;
    mark_box(*s.grid, *b);
    s.boxes.push_back(std::move(b));
    return true;
}

std::unique_ptr<session> make_empty_session(const dimension& container)
{
    auto s = std::make_unique<session>();
    s->container = std::make_unique<dimension>(container);
    s->grid = std::make_unique<occupancy_grid>(container);
    return s;
}

// Null unless every box passes the check.
std::unique_ptr<session> make_session(const dimension& container,
                                      const QVector<box_row>& boxes)
{
    auto s = make_empty_session(container);
    for (const box_row& row : boxes)
        if (!try_place(*s, row))
            return nullptr;
    return s;
}

std::vector<bool> snapshot(const occupancy_grid& grid)
{
    std::vector<bool> cells;
    for (int x = 0; x < grid.length(); ++x)
        for (int z = 0; z < grid.width(); ++z)
            for (int y = 0; y < grid.height(); ++y)
                cells.push_back(grid.cell(x, z, y));
    return cells;
}

// The plain model the spatial index replaces: how many boxes take each unit cell, checks cell
// by cell, moves that swap a leading and a trailing layer, and settling one unit at a time
// that starts again from the first box after every fall.
class dense_model {
public:
    explicit dense_model(const dimension& c)
        : l(c.length()), w(c.width()), h(c.height()), cells(std::size_t(l) * w * h, 0)
    {
    }

    // The check's lines for the first faulty box, or none.
    QStringList load(const QVector<box_row>& rows)
    {
        for (int i = 0; i < rows.size(); ++i) {
            const box_row& r = rows[i];
            QStringList fault;
            if (outside(r.px, r.length, l) || outside(r.py, r.height, h) || outside(r.pz, r.width, w))
                fault = outside_message(r.id);
            else if (any_set(r))
                fault = collision_message(r.id);
            if (!fault.isEmpty())
                return i + 1 < rows.size() ? fault << count_line : fault;
            add_cells(r, 1);
            boxes.push_back(r);
        }
        return {};
    }

    // The boxes as they are, even sharing cells.
    void take(const QVector<box_row>& rows)
    {
        for (const box_row& r : rows)
            add_cells(r, 1);
        boxes += rows;
    }

    bool can_move(int d, int i) const
    {
        box_row layer = boxes[i];
        if (!leading_layer(d, layer))
            return false;
        return !any_set(layer);
    }

    void move(int d, int i)
    {
        box_row& b = boxes[i];
        const bool covers_cells = b.length > 0 && b.width > 0 && b.height > 0;
        if (covers_cells)
            add_cells(b, -1);
        (d == 4 ? b.py : d < 2 ? b.px : b.pz) += (d == 1 || d == 3) ? 1 : -1;
        if (covers_cells)
            add_cells(b, 1);
    }

    int settle(int highlighted)
    {
        int fell = 0;
        for (int i = 0; i < boxes.size();) {
            if (boxes[i].py == 0 || !can_move(4, i)) {
                ++i;
                continue;
            }
            move(4, i);
            fell += i == highlighted;
            i = 0;
        }
        return fell;
    }

    bool cell(int x, int z, int y) const { return cells[index(x, z, y)] > 0; }

    int64_t taken() const
    {
        return std::count_if(cells.begin(), cells.end(), [](int n) { return n > 0; });
    }
    bool shared() const
    {
        return std::any_of(cells.begin(), cells.end(), [](int n) { return n > 1; });
    }

    const int l, w, h;
    QVector<box_row> boxes;

private:
    static bool outside(int start, int extent, int wall)
    {
        return start < 0 || int64_t(start) + extent > wall;
    }

    // Turns the box into the one-cell-thick layer it would enter; false outside the container.
    bool leading_layer(int d, box_row& r) const
    {
        switch (d) {
        case 0: r.px -= 1; r.length = 1; return r.px >= 0;
        case 1: r.px += r.length; r.length = 1; return r.px < l;
        case 2: r.pz -= 1; r.width = 1; return r.pz >= 0;
        case 3: r.pz += r.width; r.width = 1; return r.pz < w;
        case 4: r.py -= 1; r.height = 1; return r.py >= 0 && r.py < h;
        default: return false;
        }
    }

    bool any_set(const box_row& r) const
    {
        for (int x = r.px; x < r.px + r.length; ++x)
            for (int z = r.pz; z < r.pz + r.width; ++z)
                for (int y = r.py; y < r.py + r.height; ++y)
                    if (cells[index(x, z, y)] > 0)
                        return true;
        return false;
    }

    void add_cells(const box_row& r, int change)
    {
        for (int x = r.px; x < r.px + r.length; ++x)
            for (int z = r.pz; z < r.pz + r.width; ++z)
                for (int y = r.py; y < r.py + r.height; ++y)
                    cells[index(x, z, y)] += change;
    }

    std::size_t index(int x, int z, int y) const
    {
        return (std::size_t(x) * std::size_t(w) + std::size_t(z)) * std::size_t(h) + std::size_t(y);
    }

    const QString count_line =
        QStringLiteral("Erreur: le format du fichier session n'est pas correct [4]");
    std::vector<int> cells;
};

QByteArray session_xml(const dimension& c, const QVector<box_row>& rows)
{
    QString xml = QStringLiteral("<qarvel name=\"random\"><container length=\"%1\" width=\"%2\" "
                                 "height=\"%3\"/><boxs number=\"%4\">")
                      .arg(c.length()).arg(c.width()).arg(c.height()).arg(rows.size());
    for (const box_row& r : rows)
        xml += QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%3\" height=\"%4\" "
                              "px=\"%5\" py=\"%6\" pz=\"%7\"/>")
                   .arg(r.id).arg(r.length).arg(r.width).arg(r.height).arg(r.px).arg(r.py)
                   .arg(r.pz);
    return (xml + "</boxs></qarvel>").toUtf8();
}

// Container of the check table: every extent differs, so a check that pairs a position with
// the wrong extent gives another answer.
const dimension check_container(10, 8, 6);  // x, z, y

struct check_case {
    QVector<box_row> earlier;  // already accepted and marked
    box_row tested;
    QStringList report;         // empty when the box passes
};

struct move_case {
    QVector<box_row> boxes;
    int moved;
    int direction;
    bool allowed;
};

}  // namespace

Q_DECLARE_METATYPE(check_case)
Q_DECLARE_METATYPE(move_case)
Q_DECLARE_METATYPE(box_row)


// How one box rests, counted cell by cell: a cell of its base is held when some other box
// whose top lies at the base's level covers that cell (a box of height 0 at its own level);
// the centre is held when the held cells' corners surround it on every side, checked by
// angles, not by a hull.
struct support_reference {
    int64_t held = 0;
    int64_t base = 0;
    bool centre = false;
};

support_reference support_by_cells(const std::vector<std::unique_ptr<box>>& boxes, std::size_t i)
{
    const box& b = *boxes[i];
    const position& p = b.position;
    support_reference r;
    r.base = int64_t(b.dimension.length()) * b.dimension.width();
    if (p.py == 0) {
        r.held = r.base;
        r.centre = true;
        return r;
    }
    std::vector<std::pair<int64_t, int64_t>> around;  // doubled, from the centre
    for (int x = p.px; x < p.px + b.dimension.length(); ++x)
        for (int z = p.pz; z < p.pz + b.dimension.width(); ++z) {
            bool held = false;
            for (std::size_t j = 0; j < boxes.size() && !held; ++j) {
                const box& o = *boxes[j];
                held = j != i && o.position.py + o.dimension.height() == p.py
                       && x >= o.position.px && x < o.position.px + o.dimension.length()
                       && z >= o.position.pz && z < o.position.pz + o.dimension.width();
            }
            if (!held)
                continue;
            ++r.held;
            for (int cx : {x, x + 1})
                for (int cz : {z, z + 1})
                    around.emplace_back(2 * cx - (2 * p.px + b.dimension.length()),
                                        2 * cz - (2 * p.pz + b.dimension.width()));
        }
    // Not surrounded when all corners lie on one closed side of a line through the centre
    // along one of them.
    const auto cross = [](auto a, auto b) { return a.first * b.second - a.second * b.first; };
    r.centre = !around.empty();
    for (const auto& a : around) {
        if (a.first == 0 && a.second == 0)
            continue;
        bool left = false, right = false;
        for (const auto& c : around) {
            left = left || cross(a, c) > 0;
            right = right || cross(a, c) < 0;
        }
        r.centre = r.centre && left && right;
    }
    return r;
}

void verify_support_matches_cells(const std::vector<std::unique_ptr<box>>& boxes,
                                  const support_map& support)
{
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const support_reference expected = support_by_cells(boxes, i);
        const box_support& s = support.of(i);
        const box& b = *boxes[i];
        QVERIFY2(s.supported_area == expected.held && s.base_area == expected.base
                     && s.centre_supported == expected.centre,
                 qPrintable(QStringLiteral("box %1 at %2 %3 %4: %5/%6 centre %7, cells say "
                                           "%8/%9 centre %10")
                                .arg(i).arg(b.position.px).arg(b.position.py).arg(b.position.pz)
                                .arg(s.supported_area).arg(s.base_area).arg(s.centre_supported)
                                .arg(expected.held).arg(expected.base).arg(expected.centre)));
    }
}

class tst_model : public QObject {
    Q_OBJECT

private slots:
    void dimension_keeps_low_16_bits_unsigned_data();
    void dimension_keeps_low_16_bits_unsigned();
    void palette_entry_for_colour_data();
    void palette_entry_for_colour();
    void palette_repeats_two_entries();
    void check_and_mark_data();
    void check_and_mark();
    void marked_cells_are_the_boxes_cells();
    void moves_data();
    void moves();
    void box_covering_no_cell_moves_without_touching_the_grid();
    void random_moves_keep_grid_equal_to_boxes();
    void index_matches_a_dense_grid_on_random_scenes();
    void settling_and_cells_taken_match_a_dense_grid_with_flat_and_shared_boxes();
    void support_of_one_box_data();
    void support_of_one_box();
    void support_matches_cells_on_random_scenes();
};

void tst_model::dimension_keeps_low_16_bits_unsigned_data()
{
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("stored");
    QTest::newRow("small value") << 37 << 37;
    QTest::newRow("largest 16-bit value") << 65535 << 65535;
    QTest::newRow("65536 wraps to 0") << 65536 << 0;
    QTest::newRow("65600 wraps to 64") << 65600 << 64;
    QTest::newRow("-1 reads as 65535") << -1 << 65535;
    QTest::newRow("zero") << 0 << 0;
}

void tst_model::dimension_keeps_low_16_bits_unsigned()
{
    QFETCH(int, given);
    QFETCH(int, stored);
    const dimension on_length(given, 1, 2);
    const dimension on_width(1, given, 2);
    const dimension on_height(1, 2, given);
    QCOMPARE(on_length.length(), stored);
    QCOMPARE(on_width.width(), stored);
    QCOMPARE(on_height.height(), stored);
    QCOMPARE(on_length.width(), 1);
    QCOMPARE(on_length.height(), 2);
}

void tst_model::palette_entry_for_colour_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("entry");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("15") << 15 << 15;
    QTest::newRow("16 wraps to 0") << 16 << 0;
    QTest::newRow("18 wraps to 2") << 18 << 2;
    QTest::newRow("23 wraps to 7") << 23 << 7;
    QTest::newRow("-1 is the last entry") << -1 << 15;
    QTest::newRow("-16 is the first entry") << -16 << 0;
    QTest::newRow("-17 is the last entry") << -17 << 15;
    QTest::newRow("largest int") << std::numeric_limits<int>::max() << 15;
    QTest::newRow("smallest int") << std::numeric_limits<int>::min() << 0;
}

void tst_model::palette_entry_for_colour()
{
    QFETCH(int, color);
    QFETCH(int, entry);
    QCOMPARE(&palette::entry_for(color), &palette::entries()[std::size_t(entry)]);
}

void tst_model::palette_repeats_two_entries()
{
    const auto same = [](const palette::rgb& a, const palette::rgb& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    };
    QVERIFY(same(palette::entry_for(7), palette::entry_for(10)));
    QVERIFY(same(palette::entry_for(8), palette::entry_for(13)));
    QVERIFY(!same(palette::entry_for(7), palette::entry_for(8)));
    const palette::rgb& red = palette::entry_for(2);
    QCOMPARE(red.red, 221);
    QCOMPARE(red.green, 0);
    QCOMPARE(red.blue, 0);
}

void tst_model::check_and_mark_data()
{
    QTest::addColumn<check_case>("row");
    const box_row left_half{0, 0, 0, 4, 8, 3, "L"};
    const box_row whole{0, 0, 0, 10, 8, 6, "W"};
    const int near_limit = std::numeric_limits<int>::max() - 4;

    QTest::newRow("fills the container exactly") << check_case{{}, whole, {}};
    QTest::newRow("touching the x wall") << check_case{{}, {6, 0, 0, 4, 1, 1, "1"}, {}};
    QTest::newRow("touching the y wall") << check_case{{}, {0, 3, 0, 1, 1, 3, "1"}, {}};
    QTest::newRow("touching the z wall") << check_case{{}, {0, 0, 5, 1, 3, 1, "1"}, {}};
    QTest::newRow("one past the x wall")
        << check_case{{}, {7, 0, 0, 4, 1, 1, "x7"}, outside_message("x7")};
    QTest::newRow("one past the y wall")
        << check_case{{}, {0, 4, 0, 1, 1, 3, "y4"}, outside_message("y4")};
    QTest::newRow("one past the z wall")
        << check_case{{}, {0, 0, 6, 1, 3, 1, "z6"}, outside_message("z6")};
    QTest::newRow("too long and too high gives one message")
        << check_case{{}, {5, 5, 0, 6, 1, 2, "2"}, outside_message("2")};
    QTest::newRow("past all three walls gives one message")
        << check_case{{}, {9, 5, 7, 2, 2, 2, "3"}, outside_message("3")};
    // The container is 8 wide (z) and 6 high (y): these rows fail or pass the other way
    // round when height and width, or py and pz, are swapped.
    QTest::newRow("height 7 is too high though it would fit the width")
        << check_case{{}, {0, 0, 0, 1, 1, 7, "h"}, outside_message("h")};
    QTest::newRow("width 7 fits though it would not fit the height")
        << check_case{{}, {0, 0, 0, 1, 7, 1, "w"}, {}};
    QTest::newRow("py 6 is past the top though it would fit the width")
        << check_case{{}, {0, 6, 0, 1, 1, 1, "py"}, outside_message("py")};
    QTest::newRow("pz 7 fits though it would be past the top")
        << check_case{{}, {0, 0, 7, 1, 1, 1, "pz"}, {}};
    QTest::newRow("negative px") << check_case{{}, {-1, 0, 0, 2, 1, 1, "n"}, outside_message("n")};
    QTest::newRow("negative py") << check_case{{}, {0, -1, 0, 1, 1, 2, "n"}, outside_message("n")};
    QTest::newRow("negative pz") << check_case{{}, {0, 0, -1, 1, 2, 1, "n"}, outside_message("n")};
    QTest::newRow("negative px even over a taken cell")
        << check_case{{whole}, {-1, 0, 0, 2, 1, 1, "n"}, outside_message("n")};
    QTest::newRow("px near 2^31 plus length")
        << check_case{{}, {near_limit, 0, 0, 10, 1, 1, "big"}, outside_message("big")};
    QTest::newRow("py near 2^31 plus height")
        << check_case{{}, {0, near_limit, 0, 1, 1, 10, "big"}, outside_message("big")};
    QTest::newRow("pz near 2^31 plus width")
        << check_case{{}, {0, 0, near_limit, 1, 10, 1, "big"}, outside_message("big")};
    QTest::newRow("sharing a face on x")
        << check_case{{left_half}, {4, 0, 0, 6, 8, 3, "R"}, {}};
    QTest::newRow("resting on top")
        << check_case{{left_half}, {0, 3, 0, 4, 8, 3, "T"}, {}};
    QTest::newRow("sharing one cell")
        << check_case{{left_half}, {3, 2, 7, 2, 1, 1, "c"}, collision_message("c")};
    QTest::newRow("identical box collides under its own id")
        << check_case{{left_half}, {0, 0, 0, 4, 8, 3, "second"}, collision_message("second")};
    QTest::newRow("one taken cell in the far corner")
        << check_case{{{9, 5, 7, 1, 1, 1, "corner"}}, {0, 0, 0, 10, 8, 6, "all"},
                      collision_message("all")};
    QTest::newRow("outside wins over collision")
        << check_case{{left_half}, {0, 0, 0, 11, 1, 1, "o"}, outside_message("o")};
    QTest::newRow("zero length inside a taken block passes")
        << check_case{{whole}, {2, 2, 2, 0, 3, 3, "flat"}, {}};
    QTest::newRow("zero height inside a taken block passes")
        << check_case{{whole}, {2, 2, 2, 3, 3, 0, "flat"}, {}};
    QTest::newRow("zero length on the x wall passes")
        << check_case{{}, {10, 0, 0, 0, 1, 1, "flat"}, {}};
    QTest::newRow("zero length beyond the x wall")
        << check_case{{}, {11, 0, 0, 0, 1, 1, "flat"}, outside_message("flat")};
    QTest::newRow("zero height beyond the top")
        << check_case{{}, {0, 7, 0, 1, 1, 0, "flat"}, outside_message("flat")};
    QTest::newRow("empty id")
        << check_case{{left_half}, {0, 0, 0, 4, 8, 3, QString()}, collision_message(QString())};
}

void tst_model::check_and_mark()
{
    QFETCH(check_case, row);
    occupancy_grid grid(check_container);
    coverage expected(check_container);
    std::vector<std::unique_ptr<box>> earlier;
    for (const box_row& row : row.earlier) {
        earlier.push_back(make_box(row));
        mark_box(grid, *earlier.back());
        expected.add(*earlier.back());
    }
    const std::vector<bool> before = snapshot(grid);
    const auto tested = make_box(row.tested);

    QStringList report;
    const bool faulty = check_box(grid, check_container, *tested, report);

    QCOMPARE(report, row.report);
    QCOMPARE(faulty, !row.report.isEmpty());
    QVERIFY2(snapshot(grid) == before, "the check changed the grid");
    if (faulty)
        return;

    mark_box(grid, *tested);
    expected.add(*tested);
    for (int x = 0; x < expected.length; ++x)
        for (int z = 0; z < expected.width; ++z)
            for (int y = 0; y < expected.height; ++y)
                QCOMPARE(grid.cell(x, z, y), expected.at(x, z, y) > 0);
}

void tst_model::marked_cells_are_the_boxes_cells()
{
    const dimension container(7, 5, 4);
    const QVector<box_row> boxes = {
        {0, 0, 0, 3, 5, 2, "a"}, {3, 0, 0, 4, 2, 4, "b"}, {0, 2, 0, 3, 5, 2, "c"},
        {3, 0, 2, 4, 3, 1, "d"}, {6, 3, 4, 0, 1, 1, "flat"}, {3, 1, 2, 2, 3, 1, "e"},
    };
    const auto s = make_session(container, boxes);
    QVERIFY2(s, "the boxes of this test must fit");
    QCOMPARE(s->grid->taken_count(), int64_t(30 + 32 + 30 + 12 + 0 + 6));
    verify_grid_matches_boxes(*s);
}

void tst_model::moves_data()
{
    QTest::addColumn<move_case>("row");
    // Container 6 long (x), 5 wide (z), 4 high (y).
    const box_row at_origin{0, 0, 0, 2, 2, 2, "o"};
    const box_row at_far_corner{4, 0, 3, 2, 2, 2, "f"};
    const box_row neighbour_on_x{2, 0, 0, 1, 1, 1, "nx"};   // touches one cell of at_origin's +x face
    const box_row neighbour_on_z{1, 1, 2, 1, 1, 1, "nz"};   // touches one cell of its +z face
    const box_row resting_on_top{0, 2, 0, 2, 2, 2, "t"};
    const box_row floating{3, 2, 1, 1, 1, 1, "fl"};

    QTest::newRow("-x at the x = 0 wall") << move_case{{at_origin}, 0, towards_minus_x, false};
    QTest::newRow("+x along free space") << move_case{{at_origin}, 0, towards_plus_x, true};
    QTest::newRow("+x at the far x wall")
        << move_case{{at_far_corner}, 0, towards_plus_x, false};
    QTest::newRow("-x away from the far wall")
        << move_case{{at_far_corner}, 0, towards_minus_x, true};
    QTest::newRow("-z at the z = 0 wall") << move_case{{at_origin}, 0, towards_minus_z, false};
    QTest::newRow("+z along free space") << move_case{{at_origin}, 0, towards_plus_z, true};
    QTest::newRow("+z at the far z wall")
        << move_case{{at_far_corner}, 0, towards_plus_z, false};
    QTest::newRow("-z away from the far wall")
        << move_case{{at_far_corner}, 0, towards_minus_z, true};
    QTest::newRow("+x against one cell of another box")
        << move_case{{at_origin, neighbour_on_x}, 0, towards_plus_x, false};
    QTest::newRow("+z against one cell of another box")
        << move_case{{at_origin, neighbour_on_z}, 0, towards_plus_z, false};
    QTest::newRow("-x of the neighbour against the first box")
        << move_case{{at_origin, neighbour_on_x}, 1, towards_minus_x, false};
    QTest::newRow("down on the floor") << move_case{{at_origin}, 0, towards_minus_y, false};
    QTest::newRow("down onto another box")
        << move_case{{at_origin, resting_on_top}, 1, towards_minus_y, false};
    QTest::newRow("down when floating") << move_case{{floating}, 0, towards_minus_y, true};
    QTest::newRow("unknown direction") << move_case{{floating}, 0, 5, false};
    QTest::newRow("negative direction") << move_case{{floating}, 0, -1, false};
}

void tst_model::moves()
{
    QFETCH(move_case, row);
    const auto s = make_session(dimension(6, 5, 4), row.boxes);
    QVERIFY2(s, "the boxes of this row must fit");
    QCOMPARE(box_moves::can_move(*s, row.direction, row.moved), row.allowed);
    if (!row.allowed)
        return;

    const box& moved = *s->boxes[std::size_t(row.moved)];
    const position before = moved.position;
    box_moves::shift(*s, row.direction, row.moved);
    const int dx = row.direction == towards_minus_x ? -1 : row.direction == towards_plus_x ? 1 : 0;
    const int dz = row.direction == towards_minus_z ? -1 : row.direction == towards_plus_z ? 1 : 0;
    const int dy = row.direction == towards_minus_y ? -1 : 0;
    QCOMPARE(moved.position.px, before.px + dx);
    QCOMPARE(moved.position.py, before.py + dy);
    QCOMPARE(moved.position.pz, before.pz + dz);
    verify_grid_matches_boxes(*s);
}

void tst_model::box_covering_no_cell_moves_without_touching_the_grid()
{
    // Leading and trailing layers coincide for the first box on x and for the second on y;
    // the column against the far wall must keep its cells and no other cell may be taken.
    const auto s = make_session(dimension(4, 3, 3), {{1, 0, 0, 0, 2, 2, "thin"},
                                                      {0, 2, 0, 2, 2, 0, "flat"},
                                                      {3, 0, 0, 1, 3, 3, "column"}});
    QVERIFY(s);
    const std::vector<bool> before = snapshot(*s->grid);
    const struct {
        int index;
        int direction;
    } moves[] = {{0, towards_plus_x}, {0, towards_minus_x}, {0, towards_plus_z},
                 {1, towards_minus_y}, {1, towards_minus_y}};
    for (const auto& move : moves) {
        QVERIFY(box_moves::can_move(*s, move.direction, move.index));
        box_moves::shift(*s, move.direction, move.index);
        QVERIFY2(snapshot(*s->grid) == before,
                 qPrintable(QStringLiteral("box %1, direction %2").arg(move.index)
                                .arg(move.direction)));
    }
    QVERIFY(!box_moves::can_move(*s, towards_minus_y, 1));
    const position& thin = s->boxes[0]->position;
    QCOMPARE(thin.px, 1);
    QCOMPARE(thin.pz, 1);
    QCOMPARE(s->boxes[1]->position.py, 0);
}

void tst_model::random_moves_keep_grid_equal_to_boxes()
{
    QRandomGenerator random(20240611);
    const auto s = make_empty_session(dimension(12, 9, 7));
    // Random boxes, some covering no cell, kept only where the check accepts them.
    for (int attempt = 0; attempt < 400 && s->boxes.size() < 30; ++attempt) {
        try_place(*s, {random.bounded(12), random.bounded(7), random.bounded(9),
                       random.bounded(4), random.bounded(1, 4), random.bounded(1, 4),
                       QString::number(attempt)});
    }
    QVERIFY(s->boxes.size() >= 20);

    int carried_out = 0;
    for (int step = 0; step < 6000; ++step) {
        const int index = random.bounded(int(s->boxes.size()));
        const int d = random.bounded(5);
        if (!box_moves::can_move(*s, d, index))
            continue;
        box_moves::shift(*s, d, index);
        ++carried_out;
        verify_grid_matches_boxes(*s);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after move %1 (box %2, direction %3)")
                                 .arg(step).arg(index).arg(d)));
    }
    QVERIFY(carried_out > 1000);
}

// Random scenes through the reader, the moves and settling, side by side with the dense model:
// the same verdicts and lines, then after every arrow key the same answer, the same number of
// reports of the highlighted box (one for the sideways move, one per unit it fell), the same
// positions and the same taken cells.
void tst_model::index_matches_a_dense_grid_on_random_scenes()
{
    QRandomGenerator random(8);
    QTemporaryDir dir;
    const QString path = dir.filePath("random.qrv");
    int loaded_scenes = 0;
    for (int scene = 0; scene < 3000; ++scene) {
        const dimension container(random.bounded(8) + (scene % 50 ? 1 : 0), random.bounded(1, 8),
                                  random.bounded(1, 8));
        QVector<box_row> rows;
        // One box in three flat, with a footprint: boxes fall through it.
        for (int i = 0, n = random.bounded(1, 14); i < n; ++i)
            rows.push_back({random.bounded(-1, container.length() + 1), random.bounded(8),
                            random.bounded(-1, container.width() + 1), random.bounded(4),
                            random.bounded(4), i % 3 ? random.bounded(4) : 0,
                            QString::number(i)});
        if (scene % 3) {
            // Mostly scenes that load: keep the boxes the dense model accepts.
            QVector<box_row> accepted;
            for (const box_row& r : rows)
                if (dense_model(container).load(accepted + QVector<box_row>{r}).isEmpty())
                    accepted.push_back(r);
            rows = accepted;
        }
        const QString where = QStringLiteral("scene %1").arg(scene);
        dense_model dense(container);
        const QStringList expected_lines = dense.load(rows);

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(session_xml(container, rows));
        file.close();
        session_reader::result read = session_reader::read(path);
        QVERIFY2(read.report == expected_lines, qPrintable(where + ": " + read.report.join('|')));
        QCOMPARE(read.loaded, expected_lines.isEmpty());
        if (!read.loaded)
            continue;
        ++loaded_scenes;

        session s;
        s.container = std::move(read.container);
        s.grid = std::move(read.grid);
        s.boxes = std::move(read.boxes);
        for (int key = 0; key < 25 && !rows.isEmpty(); ++key) {
            const int picked = random.bounded(rows.size());
            const int d = random.bounded(4);
            const QString step = where + QStringLiteral(", key %1: box %2 direction %3")
                                             .arg(key).arg(picked).arg(d);
            const bool allowed = dense.can_move(d, picked);
            QVERIFY2(box_moves::can_move(s, d, picked) == allowed, qPrintable(step));
            if (!allowed)
                continue;
            dense.move(d, picked);
            box_moves::shift(s, d, picked);
            QVERIFY2(box_moves::settle(s, picked) == dense.settle(picked), qPrintable(step));
            for (int i = 0; i < rows.size(); ++i) {
                const position& p = s.boxes[std::size_t(i)]->position;
                const box_row& r = dense.boxes[i];
                QVERIFY2(p.px == r.px && p.py == r.py && p.pz == r.pz,
                         qPrintable(step + QStringLiteral(", position of box %1").arg(i)));
            }
            for (int x = 0; x < dense.l; ++x)
                for (int z = 0; z < dense.w; ++z)
                    for (int y = 0; y < dense.h; ++y)
                        QVERIFY2(s.grid->cell(x, z, y) == dense.cell(x, z, y), qPrintable(step));
        }
    }
    QVERIFY(loaded_scenes > 1500);
}

// Random scenes inside the container where flat boxes, boxes numbered in every order above and
// beneath them, and boxes sharing cells are common: settling ends where the dense model's
// cascade ends, with the same fall of the picked box, and each cell is counted once.
void tst_model::settling_and_cells_taken_match_a_dense_grid_with_flat_and_shared_boxes()
{
    QRandomGenerator random(23);
    int flat_fell = 0, shared = 0;
    for (int scene = 0; scene < 6000; ++scene) {
        const dimension container(random.bounded(1, 7), random.bounded(1, 5),
                                  random.bounded(1, 10));
        QVector<box_row> rows;
        for (int i = 0, n = random.bounded(1, 12); i < n; ++i) {
            const int length = random.bounded(scene % 7 ? 1 : 0, container.length() + 1);
            const int width = random.bounded(scene % 5 ? 1 : 0, container.width() + 1);
            const int height =
                random.bounded(3) == 0 ? 0 : random.bounded(1, std::min(4, container.height() + 1));
            rows.push_back({random.bounded(container.length() - length + 1),
                            random.bounded(container.height() - height + 1),
                            random.bounded(container.width() - width + 1), length, width, height,
                            QString::number(i)});
        }
        dense_model dense(container);
        dense.take(rows);
        session s;
        s.container = std::make_unique<dimension>(container);
        std::vector<cell_range> blocks;
        for (const box_row& r : rows) {
            s.boxes.push_back(make_box(r));
            blocks.push_back(cell_range::of(*s.boxes.back()));
        }
        s.grid = std::make_unique<occupancy_grid>(container, s.boxes);
        const QString where = QStringLiteral("scene %1").arg(scene);

        const cells_taken cells = count_cells(blocks);
        QVERIFY2(cells.count == dense.taken(), qPrintable(where));
        QVERIFY2(cells.overlap == dense.shared(), qPrintable(where));
        shared += cells.overlap;

        const int picked = random.bounded(-1, rows.size());
        if (dense.shared())
            box_moves::settle_in_cascade_order(s);
        else
            QVERIFY2(box_moves::settle(s, picked) == dense.settle(picked), qPrintable(where));
        dense.settle(-1);
        for (int i = 0; i < rows.size(); ++i) {
            const position& p = s.boxes[std::size_t(i)]->position;
            const box_row& r = dense.boxes[i];
            QVERIFY2(p.px == r.px && p.py == r.py && p.pz == r.pz,
                     qPrintable(where + QStringLiteral(", position of box %1").arg(i)));
            flat_fell += r.height == 0 && r.py < rows[i].py;
        }
    }
    QVERIFY(shared > 1000);
    QVERIFY(flat_fell > 1000);
}

// The box under test first, at py 4 over a 4 x 4 base from (0, 0); its supporters after it.
void tst_model::support_of_one_box_data()
{
    QTest::addColumn<QVector<box_row>>("rows");
    QTest::addColumn<qint64>("held");
    QTest::addColumn<qint64>("base");
    QTest::addColumn<bool>("centre");
    const box_row top{0, 4, 0, 4, 4, 1, "top"};
    const auto under = [](int px, int pz, int length, int width, int height = 4) {
        return box_row{px, 4 - height, pz, length, width, height, "under"};
    };
    QTest::newRow("on the floor") << QVector<box_row>{{0, 0, 0, 4, 4, 1, "top"}} << 16ll << 16ll
                                  << true;
    QTest::newRow("nothing beneath") << QVector<box_row>{top} << 0ll << 16ll << false;
    QTest::newRow("wholly held") << QVector<box_row>{top, under(0, 0, 4, 4)} << 16ll << 16ll
                                 << true;
    QTest::newRow("centre on the edge of the one contact")
        << QVector<box_row>{top, under(0, 0, 2, 4)} << 8ll << 16ll << false;
    QTest::newRow("centre just inside the one contact")
        << QVector<box_row>{top, under(0, 0, 3, 4)} << 12ll << 16ll << true;
    QTest::newRow("odd extent, centre 1.5 beyond a contact to 1")
        << QVector<box_row>{{0, 4, 0, 3, 3, 1, "top"}, under(0, 0, 1, 3)} << 3ll << 9ll << false;
    QTest::newRow("odd extent, centre 1.5 inside a contact to 2")
        << QVector<box_row>{{0, 4, 0, 3, 3, 1, "top"}, under(0, 0, 2, 3)} << 6ll << 9ll << true;
    QTest::newRow("contacts in a row, centre on the hull's edge")
        << QVector<box_row>{top, under(0, 0, 1, 2), under(3, 0, 1, 2)} << 4ll << 16ll << false;
    QTest::newRow("opposite corners, centre on the diagonal inside the hull")
        << QVector<box_row>{top, under(0, 0, 1, 1), under(3, 3, 1, 1)} << 2ll << 16ll << true;
    QTest::newRow("four quarters meeting at the centre")
        << QVector<box_row>{top, under(0, 0, 2, 2), under(2, 0, 2, 2), under(0, 2, 2, 2),
                            under(2, 2, 2, 2)}
        << 16ll << 16ll << true;
    QTest::newRow("supporters overlapping each other count once")
        << QVector<box_row>{top, under(0, 0, 3, 4), under(1, 0, 3, 4, 2)} << 16ll << 16ll
        << true;
    QTest::newRow("a neighbour meeting the base along a line only")
        << QVector<box_row>{top, under(4, 0, 2, 4)} << 0ll << 16ll << false;
    QTest::newRow("a supporter of no length: a top along a line only")
        << QVector<box_row>{top, under(2, 0, 0, 4)} << 0ll << 16ll << false;
    QTest::newRow("a box of height 0 offers its top at its level")
        << QVector<box_row>{top, {0, 4, 0, 4, 4, 0, "sheet"}} << 16ll << 16ll << true;
    QTest::newRow("a top below the base holds nothing")
        << QVector<box_row>{top, {0, 0, 0, 4, 4, 3, "low"}} << 0ll << 16ll << false;
    QTest::newRow("a base of no area has no share")
        << QVector<box_row>{{0, 4, 0, 0, 4, 1, "line"}, under(0, 0, 4, 4)} << 0ll << 0ll
        << false;
}

// The grid a reader would make of these boxes: those inside the container that cover a cell.
std::unique_ptr<occupancy_grid> grid_of(const dimension& container,
                                        const std::vector<std::unique_ptr<box>>& boxes)
{
    auto grid = std::make_unique<occupancy_grid>(container);
    for (const auto& b : boxes)
        if (outside_axes(container, *b) == 0)
            grid->take(*b);
    return grid;
}

void tst_model::support_of_one_box()
{
    QFETCH(QVector<box_row>, rows);
    std::vector<std::unique_ptr<box>> boxes;
    for (const box_row& row : rows)
        boxes.push_back(make_box(row));
    QFETCH(qint64, held);
    QFETCH(qint64, base);
    QFETCH(bool, centre);
    const auto grid = grid_of(dimension(8, 8, 8), boxes);
    const support_map support(boxes, *grid);
    const box_support& s = support.of(0);
    QCOMPARE(s.supported_area, held);
    QCOMPARE(s.base_area, base);
    QCOMPARE(s.centre_supported, centre);
}

// Random boxes, overlapping freely, some outside the container, many at the few levels where
// others end; then random boxes moved, the grid with them, and the map refreshed: its figures
// are those counted afresh, cell by cell.
void tst_model::support_matches_cells_on_random_scenes()
{
    QRandomGenerator random(24);
    const dimension container(6, 6, 6);
    for (int scene = 0; scene < 60; ++scene) {
        std::vector<std::unique_ptr<box>> boxes;
        const auto random_box = [&] {
            return box_row{random.bounded(-1, 7), 2 * random.bounded(0, 4), random.bounded(-1, 7),
                           random.bounded(0, 6), random.bounded(0, 6), 2 * random.bounded(0, 2),
                           QString()};
        };
        const int count = random.bounded(1, 16);
        for (int i = 0; i < count; ++i)
            boxes.push_back(make_box(random_box()));
        const auto grid = grid_of(container, boxes);
        support_map support(boxes, *grid);
        verify_support_matches_cells(boxes, support);
        for (int round = 0; round < 3 && !QTest::currentTestFailed(); ++round) {
            for (int moved = random.bounded(1, 4); moved > 0; --moved) {
                const box_row r = random_box();
                box& b = *boxes[std::size_t(random.bounded(int(boxes.size())))];
                if (outside_axes(container, b) == 0)
                    grid->release(b);
                b.position = position(r.px, r.py, r.pz);
                if (outside_axes(container, b) == 0)
                    grid->take(b);
            }
            support.refresh(boxes, *grid);
            verify_support_matches_cells(boxes, support);
        }
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_APPLESS_MAIN(tst_model)
#include "tst_model.moc"
