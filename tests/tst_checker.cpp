// Runs the real packview-check command on files written here and reads back what it prints.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct run_result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

run_result run_check(const QString& directory, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(QStringLiteral(PACKVIEW_CHECK_PATH), arguments);
    run_result r;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

bool write_file(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QByteArray two_boxes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<qarvel name=\"demo\">\n"
    "<container length=\"10\" width=\"8\" height=\"6\"/><param/><boxs number=\"2\">\n"
    "<box id=\"caf\xc3\xa9\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"%1\xe2\x82\xac\" length=\"6\" width=\"8\" height=\"3\" px=\"4\" py=\"2\" "
    "pz=\"0\"/>\n"
    "</boxs></qarvel>\n";

// Box b overlaps a, c sticks out on z, d overlaps a and b; the file then ends inside "boxs"
// with one box fewer than declared.
const QByteArray planted_faults =
    "<qarvel name=\"bad\"><container length=\"10\" width=\"8\" height=\"6\"/>"
    "<boxs number=\"6\">\n"
    "<box id=\"a\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"b\" length=\"4\" width=\"8\" height=\"3\" px=\"2\" py=\"1\" pz=\"0\"/>\n"
    "<box id=\"c\" length=\"4\" width=\"9\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"d\" length=\"4\" width=\"4\" height=\"3\" px=\"1\" py=\"0\" pz=\"1\"/>\n"
    "<box id=\"e\" length=\"2\" width=\"2\" height=\"2\" px=\"8\" py=\"4\" pz=\"0\"/>\n";

// Three boxes that fill the largest container, one over the other, and one past its wall.
const QByteArray huge_boxes =
    "<qarvel name=\"huge\"><container length=\"65535\" width=\"65535\" height=\"65535\"/>"
    "<boxs number=\"4\">\n"
    "<box id=\"h0\" length=\"65535\" width=\"65535\" height=\"65535\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"h1\" length=\"65535\" width=\"65535\" height=\"65535\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"h2\" length=\"65535\" width=\"65535\" height=\"65535\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"h3\" length=\"65535\" width=\"65535\" height=\"65535\" px=\"1\" py=\"0\" pz=\"0\"/>\n"
    "</boxs></qarvel>\n";

// t rests on a and b, on 7026 of its 10000 cells, its centre over a; w rests on half of its
// base, its centre on the edge of c's top.
const QByteArray resting_boxes =
    "<qarvel name=\"rest\"><container length=\"200\" width=\"100\" height=\"10\"/>"
    "<boxs number=\"5\">\n"
    "<box id=\"a\" length=\"70\" width=\"100\" height=\"2\" px=\"0\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"b\" length=\"26\" width=\"1\" height=\"2\" px=\"70\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"t\" length=\"100\" width=\"100\" height=\"1\" px=\"0\" py=\"2\" pz=\"0\"/>\n"
    "<box id=\"c\" length=\"10\" width=\"10\" height=\"2\" px=\"100\" py=\"0\" pz=\"0\"/>\n"
    "<box id=\"w\" length=\"10\" width=\"10\" height=\"1\" px=\"105\" py=\"2\" pz=\"0\"/>\n"
    "</boxs></qarvel>\n";

const QByteArray planted_viewer_lines =
    "Ouvrir le fichier : bad.qrv\n"
    "\n"
    "Erreur: collision detectee [boite b]\n"
    "\n"
    "Erreur: le format du fichier session n'est pas correct [4]\n"
    "Lire le fichier -> PBM\n";

// ---- a plain model of the faults and figures, box against box

struct scene_box {
    QString id;
    int px, py, pz, length, width, height;
};

struct span {
    int from, to;  // half-open
    bool is_empty() const { return from >= to; }
};

span meet(span a, span b)
{
    return {std::max(a.from, b.from), std::min(a.to, b.to)};
}

// Cells of a box along x, y, z.
std::vector<span> cells_of(const scene_box& b)
{
    return {{b.px, b.px + b.length}, {b.py, b.py + b.height}, {b.pz, b.pz + b.width}};
}

std::vector<span> meet(const std::vector<span>& a, const std::vector<span>& b)
{
    return {meet(a[0], b[0]), meet(a[1], b[1]), meet(a[2], b[2])};
}

bool is_empty(const std::vector<span>& block)
{
    return block[0].is_empty() || block[1].is_empty() || block[2].is_empty();
}

QStringList axes_outside(const scene_box& b, const std::vector<int>& container)
{
    const std::vector<span> cells = cells_of(b);
    QStringList axes;
    const char* names[] = {"x", "y", "z"};
    for (int a = 0; a < 3; ++a)
        if (cells[std::size_t(a)].from < 0 || cells[std::size_t(a)].to > container[std::size_t(a)])
            axes << QLatin1String(names[a]);
    return axes;
}

QJsonObject box_json(const scene_box& b, int index)
{
    return {{"index", index}, {"id", b.id}};
}

QJsonArray expected_faults(const std::vector<scene_box>& boxes, const std::vector<int>& container)
{
    QJsonArray faults;
    std::vector<int> inside;
    for (int i = 0; i < int(boxes.size()); ++i) {
        const scene_box& b = boxes[std::size_t(i)];
        const QStringList axes = axes_outside(b, container);
        if (!axes.isEmpty()) {
            QJsonObject f = box_json(b, i);
            f.insert("kind", "outside");
            f.insert("axes", QJsonArray::fromStringList(axes));
            faults.append(f);
            continue;
        }
        for (int j : inside) {
            const std::vector<span> shared = meet(cells_of(b), cells_of(boxes[std::size_t(j)]));
            if (is_empty(shared))
                continue;
            QJsonObject f = box_json(b, i);
            f.insert("kind", "collision");
            f.insert("other", box_json(boxes[std::size_t(j)], j));
            f.insert("cells", QJsonObject{{"x", QJsonArray{shared[0].from, shared[0].to}},
                                          {"y", QJsonArray{shared[1].from, shared[1].to}},
                                          {"z", QJsonArray{shared[2].from, shared[2].to}}});
            faults.append(f);
        }
        inside.push_back(i);
    }
    return faults;
}

std::vector<int> inside_boxes(const std::vector<scene_box>& boxes, const std::vector<int>& container)
{
    std::vector<int> inside;
    for (int i = 0; i < int(boxes.size()); ++i)
        if (axes_outside(boxes[std::size_t(i)], container).isEmpty())
            inside.push_back(i);
    return inside;
}

// How many of the given boxes take each cell of the container.
class cell_counts {
public:
    explicit cell_counts(const std::vector<int>& c) : c(c), counts(std::size_t(c[0] * c[1] * c[2])) {}

    void add(const scene_box& b, int change)
    {
        for (int x = b.px; x < b.px + b.length; ++x)
            for (int y = b.py; y < b.py + b.height; ++y)
                for (int z = b.pz; z < b.pz + b.width; ++z)
                    counts[index(x, y, z)] += change;
    }

    bool any_taken_beneath(const scene_box& b) const
    {
        for (int x = b.px; x < b.px + b.length; ++x)
            for (int z = b.pz; z < b.pz + b.width; ++z)
                if (counts[index(x, b.py - 1, z)] > 0)
                    return true;
        return false;
    }

    int taken() const
    {
        return int(std::count_if(counts.begin(), counts.end(), [](int n) { return n > 0; }));
    }

private:
    std::size_t index(int x, int y, int z) const { return std::size_t((x * c[1] + y) * c[2] + z); }

    std::vector<int> c;
    std::vector<int> counts;
};

int cells_taken(const std::vector<scene_box>& boxes, const std::vector<int>& container)
{
    cell_counts cells(container);
    for (int i : inside_boxes(boxes, container))
        cells.add(boxes[std::size_t(i)], 1);
    return cells.taken();
}

// The boxes inside the container that settling moves, in the plain unit-by-unit cascade: the
// first box that can fall falls one unit, then the search starts again.
QJsonArray expected_unsupported(std::vector<scene_box> boxes, const std::vector<int>& container)
{
    const std::vector<int> inside = inside_boxes(boxes, container);
    cell_counts cells(container);
    for (int i : inside)
        cells.add(boxes[std::size_t(i)], 1);
    std::vector<bool> moved(boxes.size());
    for (std::size_t k = 0; k < inside.size();) {
        scene_box& b = boxes[std::size_t(inside[k])];
        if (b.py == 0 || cells.any_taken_beneath(b)) {
            ++k;
            continue;
        }
        cells.add(b, -1);
        --b.py;
        cells.add(b, 1);
        moved[std::size_t(inside[k])] = true;
        k = 0;
    }
    QJsonArray unsupported;
    for (int i : inside)
        if (moved[std::size_t(i)])
            unsupported.append(box_json(boxes[std::size_t(i)], i));
    return unsupported;
}

QByteArray scene_file(const std::vector<scene_box>& boxes, const std::vector<int>& container)
{
    QByteArray xml = QStringLiteral("<qarvel name=\"r\"><container length=\"%1\" height=\"%2\" "
                                    "width=\"%3\"/><boxs number=\"%4\">\n")
                         .arg(container[0]).arg(container[1]).arg(container[2])
                         .arg(boxes.size()).toLatin1();
    for (const scene_box& b : boxes)
        xml += QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%3\" height=\"%4\" px=\"%5\" "
                              "py=\"%6\" pz=\"%7\"/>\n")
                   .arg(b.id).arg(b.length).arg(b.width).arg(b.height).arg(b.px).arg(b.py)
                   .arg(b.pz).toLatin1();
    return xml + "</boxs></qarvel>\n";
}

// The viewer's messages for a scene: it stops at the first box at fault.
QStringList expected_messages(const QJsonArray& faults, int box_count)
{
    if (faults.isEmpty())
        return {};
    const QJsonObject first = faults.first().toObject();
    const QString id = first["id"].toString();
    QStringList messages{
        "",
        first["kind"] == "outside"
            ? "Erreur: il existe des boites qui depassent la taille de conteneur. [boite " + id
                  + "]"
            : "Erreur: collision detectee [boite " + id + "]",
        ""};
    if (first["index"].toInt() + 1 != box_count)
        messages << "Erreur: le format du fichier session n'est pas correct [4]";
    return messages;
}

QByteArray expected_viewer_lines(const QStringList& messages)
{
    QByteArray lines = "Ouvrir le fichier : r.qrv\n";
    for (const QString& m : messages)
        lines += m.toLatin1() + '\n';
    return lines + (messages.isEmpty() ? "Lire le fichier -> OK\n" : "Lire le fichier -> PBM\n");
}

}  // namespace

class tst_checker : public QObject {
    Q_OBJECT

private slots:
    void lines_and_status_data();
    void lines_and_status();
    void every_fault_against_a_plain_model_data();
    void every_fault_against_a_plain_model();
    void json_without_all();
    void json_support_faults_and_figures();
    void file_name_not_valid_in_the_locale();
};

void tst_checker::lines_and_status_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err_contains");
    QTest::addColumn<int>("status");

    QTest::newRow("loaded") << QStringList{"ok.qrv"}
                            << QByteArray("Ouvrir le fichier : ok.qrv\nLire le fichier -> OK\n")
                            << QByteArray() << 0;
    QTest::newRow("box lines in ISO 8859-1")
        << QStringList{"--boxes", "ok.qrv"}
        << QByteArray("Ouvrir le fichier : ok.qrv\n"
                      "boite num:caf\xe9 - dim: 4,8,3  - pos: 0,0,0\n"
                      "boite num:%1? - dim: 6,8,3  - pos: 4,2,0\n"
                      "Lire le fichier -> OK\n")
        << QByteArray() << 0;
    QTest::newRow("statistics") << QStringList{"--stats", "ok.qrv"}
                                << QByteArray("Ouvrir le fichier : ok.qrv\nLire le fichier -> OK\n"
                                              "Statistiques: 2 boites, conteneur 480, occupe 240, "
                                              "remplissage 50.00 %, 1 sans appui\n")
                                << QByteArray() << 0;
    QTest::newRow("first fault stops") << QStringList{"ok.qrv", "bad.qrv"}
                                       << "Ouvrir le fichier : ok.qrv\nLire le fichier -> OK\n"
                                              + planted_viewer_lines
                                       << QByteArray() << 1;
    QTest::newRow("every fault")
        << QStringList{"--all", "bad.qrv"}
        << planted_viewer_lines
               + "Defaut: collision [boite b] index 1 avec [boite a] index 0, "
                 "cellules x 2..4, y 1..3, z 0..8\n"
                 "Defaut: hors du conteneur [boite c] index 2, axes z\n"
                 "Defaut: collision [boite d] index 3 avec [boite a] index 0, "
                 "cellules x 1..4, y 0..3, z 1..5\n"
                 "Defaut: collision [boite d] index 3 avec [boite b] index 1, "
                 "cellules x 2..5, y 1..3, z 1..5\n"
                 "Defaut: format: Erreur: le format du fichier session n'est pas correct [3]\n"
                 "Defaut: format: Erreur: le format du fichier session n'est pas correct [4]\n"
                 "Statistiques: 5 boites, conteneur 480, occupe 172, remplissage 35.83 %, "
                 "1 sans appui\n"
                 "Sans appui: [boite e] index 4\n"
        << QByteArray() << 1;
    QTest::newRow("faults capped")
        << QStringList{"--all", "--max-faults", "2", "bad.qrv"}
        << planted_viewer_lines
               + "Defaut: collision [boite b] index 1 avec [boite a] index 0, "
                 "cellules x 2..4, y 1..3, z 0..8\n"
                 "Defaut: hors du conteneur [boite c] index 2, axes z\n"
                 "... et 4 autres defauts\n"
                 "Statistiques: 5 boites, conteneur 480, occupe 172, remplissage 35.83 %, "
                 "1 sans appui\n"
                 "Sans appui: [boite e] index 4\n"
        << QByteArray() << 1;
    const QByteArray whole = "cellules x 0..65535, y 0..65535, z 0..65535\n";
    QTest::newRow("every cell once, in exact integers")
        << QStringList{"--all", "--max-faults", "0", "huge.qrv"}
        << "Ouvrir le fichier : huge.qrv\n\nErreur: collision detectee [boite h1]\n\n"
           "Erreur: le format du fichier session n'est pas correct [4]\n"
           "Lire le fichier -> PBM\n"
           "Defaut: collision [boite h1] index 1 avec [boite h0] index 0, " + whole
           + "Defaut: collision [boite h2] index 2 avec [boite h0] index 0, " + whole
           + "Defaut: collision [boite h2] index 2 avec [boite h1] index 1, " + whole
           + "Defaut: hors du conteneur [boite h3] index 3, axes x\n"
             "Statistiques: 4 boites, conteneur 281462092005375, occupe 281462092005375, "
             "remplissage 100.00 %, 0 sans appui\n"
        << QByteArray() << 1;
    const QByteArray rest_loaded = "Ouvrir le fichier : rest.qrv\nLire le fichier -> OK\n";
    const QByteArray t_share = "Defaut: appui insuffisant [boite t] index 2, appui 7026/10000 "
                               "(70.26 %)\n";
    const QByteArray w_share = "Defaut: appui insuffisant [boite w] index 4, appui 50/100 "
                               "(50.00 %)\n";
    const QByteArray w_centre = "Defaut: centre sans appui [boite w] index 4, centre x 110, y 2, "
                                "z 5\n";
    QTest::newRow("support checks off") << QStringList{"--stats", "rest.qrv"}
                                        << rest_loaded
                                               + "Statistiques: 5 boites, conteneur 200000, "
                                                 "occupe 24352, remplissage 12.18 %, 0 sans "
                                                 "appui\n"
                                        << QByteArray() << 0;
    QTest::newRow("least share and centre, with figures")
        << QStringList{"--min-support", "75", "--centre", "--stats", "rest.qrv"}
        << rest_loaded + t_share + w_share + w_centre
               + "Statistiques: 5 boites, conteneur 200000, occupe 24352, remplissage 12.18 %, "
                 "0 sans appui\n"
                 "Appui: plus petite part 50/100 (50.00 %), 2 sous 100 %, 2 sous 75 %, "
                 "1 centre sans appui\n"
        << QByteArray() << 1;
    QTest::newRow("a share equal to the least share passes")
        << QStringList{"--min-support", "70.26", "rest.qrv"} << rest_loaded + w_share
        << QByteArray() << 1;
    QTest::newRow("a share a thousandth under fails")
        << QStringList{"--min-support", "70.261", "rest.qrv"} << rest_loaded + t_share + w_share
        << QByteArray() << 1;
    QTest::newRow("support faults capped with the others")
        << QStringList{"--all", "--max-faults", "2", "--min-support", "100", "--centre",
                       "rest.qrv"}
        << rest_loaded + t_share + w_share
               + "... et 1 autres defauts\n"
                 "Statistiques: 5 boites, conteneur 200000, occupe 24352, remplissage 12.18 %, "
                 "0 sans appui\n"
                 "Appui: plus petite part 50/100 (50.00 %), 2 sous 100 %, 2 sous 75 %, "
                 "1 centre sans appui\n"
        << QByteArray() << 1;
    QTest::newRow("every share passes 0 %, every centre held")
        << QStringList{"--min-support", "0", "ok.qrv"}
        << QByteArray("Ouvrir le fichier : ok.qrv\nLire le fichier -> OK\n") << QByteArray()
        << 0;
    QTest::newRow("a file that fails before its boxes has no support faults")
        << QStringList{"--min-support", "75", "--centre", "bad.qrv"} << planted_viewer_lines
        << QByteArray() << 1;
    for (const char* refused : {"100.5", "-1", "75,5", "1e2", "soixante"})
        QTest::addRow("least share %s refused", refused)
            << QStringList{"--min-support", refused, "rest.qrv"} << QByteArray()
            << QByteArray("Valeur invalide pour --min-support : ") + refused << 2;
    QTest::newRow("cap that is not a number")
        << QStringList{"--all", "--max-faults", "beaucoup", "bad.qrv"} << QByteArray()
        << QByteArray("--max-faults") << 2;
    QTest::newRow("file not opened")
        << QStringList{"bad.qrv", "missing.qrv"}
        << planted_viewer_lines + "Ouvrir le fichier : missing.qrv\n"
        << QByteArray("Error: ouvrir le fichier missing.qrv: ") << 2;
    QTest::newRow("directory")
        << QStringList{"folder.qrv"} << QByteArray("Ouvrir le fichier : folder.qrv\n")
        << QByteArray("Error: ouvrir le fichier folder.qrv: file to open is a directory\n") << 2;
    QTest::newRow("unknown option") << QStringList{"--bogus", "ok.qrv"} << QByteArray()
                                    << QByteArray("Usage:") << 2;
    QTest::newRow("no file") << QStringList{"--all"} << QByteArray() << QByteArray("Usage:")
                             << 2;
}

void tst_checker::lines_and_status()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err_contains);
    QFETCH(int, status);

    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("ok.qrv"), two_boxes));
    QVERIFY(write_file(dir.filePath("bad.qrv"), planted_faults));
    QVERIFY(write_file(dir.filePath("huge.qrv"), huge_boxes));
    QVERIFY(write_file(dir.filePath("rest.qrv"), resting_boxes));
    QVERIFY(QDir(dir.path()).mkdir("folder.qrv"));
    const run_result r = run_check(dir.path(), arguments);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err_contains), r.err.constData());
    QCOMPARE(r.status, status);
}

void tst_checker::every_fault_against_a_plain_model_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("disjoint");  // boxes that hold cells and share none
    QTest::addColumn<int>("places");     // boxes repeat this many blocks; 0: boxes anywhere
    for (quint32 seed = 1; seed <= 8; ++seed)
        QTest::addRow("scene %u", seed) << seed << false << 0;
    for (quint32 seed = 1; seed <= 4; ++seed)
        QTest::addRow("disjoint scene %u", seed) << seed << true << 0;
    for (quint32 seed = 1; seed <= 3; ++seed)
        QTest::addRow("boxes in a few places %u", seed) << seed << false << 4;
}

void tst_checker::every_fault_against_a_plain_model()
{
    QFETCH(quint32, seed);
    QFETCH(bool, disjoint);
    QFETCH(int, places);
    QRandomGenerator random(seed);
    const std::vector<int> container{12, 8, 10};  // x, y, z
    // Extents from 0; about one box in twenty may lie anywhere, even past the walls.
    const auto coordinate = [&](int wall, int extent) {
        return random.bounded(20) == 0 ? random.bounded(-1, wall + 1)
                                      : random.bounded(0, wall - extent + 1);
    };
    std::vector<scene_box> boxes;
    for (int i = 0; i < 40; ++i) {
        if (places > 0 && i >= places) {
            scene_box again = boxes[std::size_t(random.bounded(places))];
            again.id = QStringLiteral("b%1").arg(boxes.size());
            boxes.push_back(again);
            continue;
        }
        const int lowest = disjoint ? 1 : 0;
        const int length = random.bounded(lowest, 6), height = random.bounded(lowest, 6),
                  width = random.bounded(lowest, 6);
        const scene_box b{QStringLiteral("b%1").arg(boxes.size()), coordinate(12, length),
                          coordinate(8, height), coordinate(10, width), length, width, height};
        if (!disjoint || std::all_of(boxes.begin(), boxes.end(), [&](const scene_box& earlier) {
                return is_empty(meet(cells_of(b), cells_of(earlier)));
            }))
            boxes.push_back(b);
    }
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("r.qrv"), scene_file(boxes, container)));
    const QJsonArray faults = expected_faults(boxes, container);

    const QStringList messages = expected_messages(faults, int(boxes.size()));
    const run_result viewer = run_check(dir.path(), {"r.qrv"});
    QCOMPARE(viewer.out, expected_viewer_lines(messages));
    QCOMPARE(viewer.status, faults.isEmpty() ? 0 : 1);

    const run_result r = run_check(dir.path(), {"--all", "--json", "r.qrv"});
    QCOMPARE(r.status, faults.isEmpty() ? 0 : 1);
    const QJsonObject file = QJsonDocument::fromJson(r.out).array().first().toObject();
    QCOMPARE(file["messages"].toArray(), QJsonArray::fromStringList(messages));
    QCOMPARE(file["faults"].toArray(), faults);
    const QJsonObject figures = file["statistics"].toObject();
    const int packed = cells_taken(boxes, container);
    QCOMPARE(figures["boxes"].toInt(), int(boxes.size()));
    QCOMPARE(figures["container_volume"].toInt(), 12 * 8 * 10);
    QCOMPARE(figures["packed_volume"].toInt(), packed);
    QCOMPARE(figures["fill_rate"].toDouble(), 100.0 * packed / (12 * 8 * 10));
    const QJsonArray unsupported = expected_unsupported(boxes, container);
    QCOMPARE(figures["unsupported_boxes"].toArray(), unsupported);
    QCOMPARE(figures["unsupported"].toInt(), unsupported.size());
    QCOMPARE(file["fault_count"].toInt(), faults.size());
    QCOMPARE(file["faults_truncated"].toBool(), false);

    // Caps that end inside one box's list of collisions as well as between boxes.
    for (int cap : {3, faults.size() / 2, faults.size() - 1}) {
        if (cap < 1)
            continue;
        const run_result capped = run_check(
            dir.path(), {"--all", "--json", "--max-faults", QString::number(cap), "r.qrv"});
        const QJsonObject capped_file =
            QJsonDocument::fromJson(capped.out).array().first().toObject();
        QCOMPARE(capped_file["faults"].toArray(),
                 QJsonArray::fromVariantList(faults.toVariantList().mid(0, cap)));
        QCOMPARE(capped_file["fault_count"].toInt(), faults.size());
        QCOMPARE(capped_file["faults_truncated"].toBool(), faults.size() > cap);
    }
}

void tst_checker::json_without_all()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("ok.qrv"), two_boxes));
    QVERIFY(write_file(dir.filePath("bad.qrv"), planted_faults));
    const run_result r = run_check(dir.path(), {"--json", "ok.qrv", "bad.qrv", "missing.qrv"});
    QCOMPARE(r.status, 2);
    const QJsonArray files = QJsonDocument::fromJson(r.out).array();
    QCOMPARE(files.size(), 3);

    const QJsonObject ok = files[0].toObject();
    QCOMPARE(ok["file"].toString(), QStringLiteral("ok.qrv"));
    QCOMPARE(ok["loaded"].toBool(), true);
    QCOMPARE(ok["faults"].toArray(), QJsonArray());
    QCOMPARE(ok["statistics"].toObject(),
             (QJsonObject{{"boxes", 2}, {"container_volume", 480}, {"packed_volume", 240},
                          {"fill_rate", 50.0}, {"unsupported", 1}}));

    // The viewer's messages, and its one fault with both boxes; no figures for a failed file.
    const QJsonObject bad = files[1].toObject();
    QCOMPARE(bad["loaded"].toBool(), false);
    QCOMPARE(bad["messages"].toArray(),
             (QJsonArray{"", "Erreur: collision detectee [boite b]", "",
                         "Erreur: le format du fichier session n'est pas correct [4]"}));
    const QJsonArray faults = bad["faults"].toArray();
    QCOMPARE(faults.size(), 2);
    QCOMPARE(faults[0].toObject()["id"].toString(), QStringLiteral("b"));
    QCOMPARE(faults[0].toObject()["other"].toObject(), (QJsonObject{{"index", 0}, {"id", "a"}}));
    QCOMPARE(faults[1].toObject()["kind"].toString(), QStringLiteral("format"));
    QVERIFY(!bad.contains("statistics"));

    const QJsonObject missing = files[2].toObject();
    QCOMPARE(missing["opened"].toBool(), false);
    QCOMPARE(missing["loaded"].toBool(), false);
}

// A kind per check with the exact share; the figures' twin of the text line; nothing of it
// without the options.
void tst_checker::json_support_faults_and_figures()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("rest.qrv"), resting_boxes));
    const run_result r =
        run_check(dir.path(), {"--json", "--min-support", "75", "--centre", "rest.qrv"});
    QCOMPARE(r.status, 1);
    const QJsonObject file = QJsonDocument::fromJson(r.out).array()[0].toObject();
    QCOMPARE(file["loaded"].toBool(), true);
    const auto share = [](int supported, int base, double percent) {
        return QJsonObject{{"supported_area", supported}, {"base_area", base},
                           {"percent", percent}};
    };
    const QJsonObject w{{"index", 4}, {"id", "w"}, {"share", share(50, 100, 50.0)}};
    QJsonObject w_centre = w;
    w_centre.insert("kind", "centre");
    w_centre.insert("centre", QJsonObject{{"x", 110}, {"y", 2}, {"z", 5}});
    QJsonObject w_share = w;
    w_share.insert("kind", "support");
    QCOMPARE(file["faults"].toArray(),
             (QJsonArray{QJsonObject{{"index", 2}, {"id", "t"}, {"kind", "support"},
                                     {"share", share(7026, 10000, 70.26)}},
                         w_share, w_centre}));
    QCOMPARE(file["fault_count"].toInt(), 3);
    QCOMPARE(file["statistics"].toObject()["support"].toObject(),
             (QJsonObject{{"smallest_share", share(50, 100, 50.0)},
                          {"under_100", 2},
                          {"under_75", 2},
                          {"centre_not_supported", 1}}));

    const run_result plain = run_check(dir.path(), {"--json", "rest.qrv"});
    QCOMPARE(plain.status, 0);
    const QJsonObject plain_file = QJsonDocument::fromJson(plain.out).array()[0].toObject();
    QCOMPARE(plain_file["faults"].toArray(), QJsonArray());
    QVERIFY(!plain_file["statistics"].toObject().contains("support"));
}

// The name is passed as its bytes through the shell: a QProcess argument is text.
void tst_checker::file_name_not_valid_in_the_locale()
{
    QTemporaryDir dir;
    const QByteArray name = "caf\xe9.qrv";
    QVERIFY(write_file(dir.filePath("ok.qrv"), two_boxes));
    QVERIFY(::rename(QFile::encodeName(dir.filePath("ok.qrv")).constData(),
                     (QFile::encodeName(dir.path()) + '/' + name).constData())
            == 0);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start("/bin/sh", {"-c", "exec \"$0\" \"$(printf 'caf\\351.qrv')\"",
                              QStringLiteral(PACKVIEW_CHECK_PATH)});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.readAllStandardOutput(),
             "Ouvrir le fichier : " + QFile::decodeName(name).toLatin1()
                 + "\nLire le fichier -> OK\n");
    QCOMPARE(process.exitCode(), 0);
}

QTEST_APPLESS_MAIN(tst_checker)
#include "tst_checker.moc"
