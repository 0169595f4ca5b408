#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/box_description.h"
#include "app/checked_file.h"
#include "app/fault_description.h"
#include "app/support_description.h"
#include "browser/fault_model.h"
#include "browser/fault_sort_model.h"
#include "browser/liste_boite.h"
#include "browser/safe_text_document.h"
#include "model/box_line.h"
#include "model/capped_faults.h"
#include "model/fault_line.h"
#include "model/session.h"
#include "model/session_reader.h"
#include "model/support_faults.h"
#include "model/support_map.h"
#include "view3d/fault_marks.h"
#include "view3d/gl_widget.h"

#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QSettings>
#include <QKeyEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QStandardItem>
#include <QTextEdit>

#include <iostream>
#include <string>

namespace {

// Text for the output pane goes out as ISO 8859-1, '?' for what it cannot hold.
std::ostream& operator<<(std::ostream& out, const QString& text)
{
    return out << text.toLatin1().constData();
}

// What a session takes over from a reading: its grid, its boxes and the faults kept.
void take_contents(session& s, session_reader::result& read, capped_faults& faults)
{
    s.grid = std::move(read.grid);
    s.boxes = std::move(read.boxes);
    s.faults = std::move(faults.kept);
    s.faults_found = faults.total();
}

// One line for each box, as operator<< above writes them, some thousands at a time: the output
// pane takes a run of plain lines in one go, and a few thousand lines are little to hold.
void write_box_lines(const std::vector<std::unique_ptr<box>>& boxes)
{
    constexpr std::size_t lines_at_once = 4096;
    std::string lines;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        lines += box_line(*boxes[i]).toLatin1().constData();
        lines += '\n';
        if ((i + 1) % lines_at_once == 0 || i + 1 == boxes.size()) {
            std::cout << lines << std::flush;
            lines.clear();
        }
    }
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    session_counter = 0;
    ui->frame_droit_haut->setMinimumHeight(0);
    ui->frame_droit_haut->setMinimumWidth(0);
    ui->splitter_horizontal_gauche->setSizes({200, 600});
    ui->splitter_horizontal_droit->setSizes({800, 220});
    ui->splitter_vertical->setSizes({600, 180});
    prepare_panes();
    prepare_fault_list();
    prepare_support_menu();

    ui->widget_gl_axe_x->set_view_mode(1);
    ui->widget_gl_axe_y->set_view_mode(2);
    ui->widget_gl_axe_z->set_view_mode(3);
    ui->widget_gl_axe_x->update();
    ui->widget_gl_axe_y->update();
    ui->widget_gl_axe_z->update();

    connect(ui->treeView, qOverload<QStandardItem*>(&liste_boite::item_selected), this,
            &MainWindow::on_liste_item_triggered);
    connect(ui->treeView, &liste_boite::affiche_info_boite, this,
            &MainWindow::on_affiche_info_boite_triggered);
    connect(ui->widget_opengl, &gl_widget::box_selected, this,
            &MainWindow::on_wid_opengl_box_selected);
    connect(ui->widget_opengl, &gl_widget::boxes_settled, this, &MainWindow::on_boxes_settled);
}

// The support entries of the "Option" menu, after its own inert entry; each choice is kept
// for the next runs.
void MainWindow::prepare_support_menu()
{
    QAction* least_share = ui->menuOption->addAction(tr("Part d'appui minimale..."));
    least_share->setObjectName(QStringLiteral("action_part_appui_minimale"));
    connect(least_share, &QAction::triggered, this, &MainWindow::on_least_share_asked);
    centre_action = ui->menuOption->addAction(tr("Contrôler le centre des boîtes"));
    centre_action->setObjectName(QStringLiteral("action_controle_centre"));
    centre_action->setCheckable(true);
    connect(centre_action, &QAction::triggered, this, [this](bool on) {
        support_checks changed = checks_;
        changed.centre = on;
        set_support_checks(changed);
        QSettings().setValue(QStringLiteral("support/centre"), on);
    });
    colours_action = ui->menuOption->addAction(tr("Couleurs selon l'appui"));
    colours_action->setObjectName(QStringLiteral("action_couleurs_appui"));
    colours_action->setCheckable(true);
    connect(colours_action, &QAction::triggered, this, [this](bool on) {
        set_colours_by_support(on);
        QSettings().setValue(QStringLiteral("support/colours"), on);
    });
}

void MainWindow::on_least_share_asked()
{
    bool chosen = false;
    const QString percent = QInputDialog::getText(
        this, tr("Part d'appui minimale"),
        tr("Part minimale de la base qui doit reposer sur quelque chose, en % (0 à 100 ; "
           "vide : aucun contrôle) :"),
        QLineEdit::Normal, checks_.min_share ? checks_.min_share->text : QString(), &chosen);
    if (!chosen)
        return;
    support_checks changed = checks_;
    changed.min_share = support_checks::parse_least_share(percent.trimmed());
    if (!percent.trimmed().isEmpty() && !changed.min_share) {
        std::cout << "Valeur invalide pour la part d'appui minimale : " << percent << std::endl;
        return;
    }
    set_support_checks(changed);
    QSettings().setValue(QStringLiteral("support/min_share"),
                         changed.min_share ? changed.min_share->text : QString());
}

void MainWindow::set_support_checks(const support_checks& checks)
{
    checks_ = checks;
    centre_action->setChecked(checks.centre);
    for (const auto& s : sessions)
        renew_support_faults(*s, checks_, max_faults_);
    if (session* shown = ui->widget_opengl->current_session())
        show_faults_of(shown);
    repaint_views();
}

void MainWindow::set_colours_by_support(bool on)
{
    colours_by_support_ = on;
    colours_action->setChecked(on);
    for (const auto& s : sessions)
        s->colours_by_support = on;
    repaint_views();
}

void MainWindow::repaint_views()
{
    for (gl_widget* view : {ui->widget_opengl, ui->widget_gl_axe_x, ui->widget_gl_axe_y,
                            ui->widget_gl_axe_z})
        view->update();
}

// After a move the shown session's support faults are those of its boxes as they now stand.
void MainWindow::on_boxes_settled()
{
    session* s = ui->widget_opengl->current_session();
    if (!s)
        return;
    if (checks_.any()) {
        renew_support_faults(*s, checks_, max_faults_);
        show_faults_of(s);
    }
    const int highlighted = ui->widget_opengl->highlighted_box();
    if (highlighted >= 0 && std::size_t(highlighted) < s->boxes.size())
        describe_in_info_pane(*s, highlighted);
}

// Both panes show ids as rich text: their documents load no file that markup in an id names.
// The output pane is a log that only grows: no undo history for it. Nor shaping where a script
// does not need it (Latin text only loses its kerning): shaping was a third of the time spent
// laying out a long burst of lines.
void MainWindow::prepare_panes()
{
    for (QTextEdit* pane : {ui->sortie_application, ui->zone_info_boite})
        pane->setDocument(new safe_text_document(pane));
    ui->sortie_application->setUndoRedoEnabled(false);
    QFont font = ui->sortie_application->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    ui->sortie_application->setFont(font);
}

// A dock of its own below the views, hidden until a session with faults is shown: a table of
// short columns, whole at the window's first size, each fault's whole line in its tool tips,
// sorted deepest first. Its model reads the session's list of faults, so a list of thousands
// shows at once.
void MainWindow::prepare_fault_list()
{
    fault_dock = new QDockWidget(tr("Défauts de la session"), this);
    fault_dock->setObjectName(QStringLiteral("dock_defauts"));
    fault_list = new QTableView(fault_dock);
    fault_list->setObjectName(QStringLiteral("liste_defauts"));
    fault_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fault_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    fault_list->setSelectionMode(QAbstractItemView::SingleSelection);
    fault_list->setWordWrap(false);
    fault_list->verticalHeader()->hide();
    fault_list->verticalHeader()->setDefaultSectionSize(fault_list->fontMetrics().height() + 4);
    fault_list->horizontalHeader()->setMinimumSectionSize(24);
    fault_list->horizontalHeader()->setStretchLastSection(true);
    faults_shown = new fault_model(fault_list);
    faults_sorted = new fault_sort_model(fault_list);
    faults_sorted->setSourceModel(faults_shown);
    fault_list->setModel(faults_sorted);
    fault_list->setSortingEnabled(true);
    fault_list->sortByColumn(fault_model::depth, Qt::DescendingOrder);
    fault_dock->setWidget(fault_list);
    addDockWidget(Qt::BottomDockWidgetArea, fault_dock);
    // Six rows or so: the views keep most of the window's height.
    resizeDocks({fault_dock}, {7 * fault_list->verticalHeader()->defaultSectionSize()},
                Qt::Vertical);
    fault_dock->hide();
    connect(fault_list, &QTableView::clicked, this, &MainWindow::on_fault_chosen);
    connect(fault_list, &QTableView::activated, this, &MainWindow::on_fault_chosen);
    // The arrow keys walk the table, each row shown as it becomes current.
    connect(fault_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::on_fault_chosen);
}

MainWindow::~MainWindow()
{
    // Sessions go first: the views still point at them but never touch them from here on.
    sessions.clear();
    delete ui;
}

QTextEdit* MainWindow::output_pane() const
{
    return ui->sortie_application;
}

session* MainWindow::add_session(const QString& name, std::unique_ptr<dimension> container)
{
    auto s = std::make_unique<session>();
    s->tree_item = ui->treeView->add_session_item(name);
    s->container = std::move(container);
    s->session_number = session_counter++;
    session* added = s.get();
    sessions.push_back(std::move(s));
    sessions_by_item.insert(added->tree_item, added);
    return added;
}

bool MainWindow::load_session(const QString& file_name)
{
    return load_session(file_name, QFile::encodeName(file_name));
}

bool MainWindow::load_session(const QString& file_name, const QByteArray& native_name)
{
    return open_session(file_name, native_name, false);
}

bool MainWindow::inspect_session(const QString& file_name)
{
    return inspect_session(file_name, QFile::encodeName(file_name));
}

bool MainWindow::inspect_session(const QString& file_name, const QByteArray& native_name)
{
    return open_session(file_name, native_name, true);
}

bool MainWindow::open_read_ahead(const QString& file_name, const QByteArray& native_name,
                                 bool inspect, std::future<std::unique_ptr<checked_file>>& reading)
{
    return open_checked_session(file_name, native_name, inspect,
                                [&reading] { return reading.get(); });
}

bool MainWindow::open_session(const QString& file_name, const QByteArray& native_name,
                              bool inspect)
{
    return open_checked_session(file_name, native_name, inspect, [&] {
        return std::make_unique<checked_file>(native_name, inspect, max_faults_);
    });
}

// The ordinary open and the inspection write the same lines up to the closing one; a faulty
// file read for inspection then gets its fault lines, as packview-check --all writes them,
// and opens all the same, unless no container was read to draw its boxes in.
bool MainWindow::open_checked_session(
    const QString& file_name, const QByteArray& native_name, bool inspect,
    const std::function<std::unique_ptr<checked_file>()>& read_file)
{
    std::cout << "Ouvrir le fichier : " << file_name << std::endl;
    if (is_open(file_name)) {
        std::cout << "Erreur: le fichier '" << file_name << "' est deja ouvert." << std::endl;
        return false;
    }

    const std::unique_ptr<checked_file> file = read_file();
    session_reader::result& read = file->read;
    capped_faults& faults = file->faults;
    if (read.unreadable) {
        std::cerr << "Error: ouvrir le fichier " << native_name.constData() << ": "
                  << read.open_error.toLocal8Bit().constData() << std::endl;
        return false;
    }
    for (const QString& line : read.report)
        std::cout << line << std::endl;
    if (!read.loaded) {
        std::cout << "Lire le fichier -> PBM" << std::endl;
        if (!inspect)
            return false;
        for (const packing_fault& f : faults.kept)
            std::cout << fault_line(f) << std::endl;
        if (faults.left_out() > 0)
            std::cout << more_faults_line(faults.left_out()) << std::endl;
        if (!read.container)
            return false;
    }

    session* s = add_session(read.name, std::move(read.container));
    s->file_name = file_name;
    take_contents(*s, read, faults);
    const int64_t geometry_faults = s->faults_found;
    if (s->grid)
        s->support = std::make_unique<support_map>(s->boxes, *s->grid);
    s->colours_by_support = colours_by_support_;
    renew_support_faults(*s, checks_, max_faults_);
    ui->treeView->add_box_items(s->tree_item, s->boxes);
    if (read.loaded) {
        write_box_lines(s->boxes);
    } else {
        ui->treeView->mark_faulty(s->tree_item, fault_count(geometry_faults));
    }
    show_session_in_views(s);
    if (read.loaded)
        std::cout << "Lire le fichier -> OK" << std::endl;
    else
        std::cout << "Session ouverte pour inspection : " << fault_count(geometry_faults)
                  << std::endl;
    if (checks_.any())
        std::cout << "Defauts d'appui : " << fault_count(s->support_faults_found) << std::endl;
    return true;
}

bool MainWindow::is_open(const QString& file_name) const
{
    for (const auto& s : sessions)
        if (s->file_name == file_name)
            return true;
    return false;
}

void MainWindow::show_session_in_views(session* s)
{
    for (gl_widget* view : {ui->widget_opengl, ui->widget_gl_axe_x, ui->widget_gl_axe_y,
                            ui->widget_gl_axe_z}) {
        view->set_current_session(s);
        view->set_chosen_fault(-1);
        view->update();
    }
    ui->widget_opengl->show_whole();
    show_faults_of(s);
}

void MainWindow::show_faults_of(session* s)
{
    faults_shown->show_faults(s, s->faults_found - int64_t(s->faults.size()));
    fault_list->resizeColumnsToContents();
    fault_dock->setVisible(!s->faults.empty());
    for (gl_widget* view : {ui->widget_opengl, ui->widget_gl_axe_x, ui->widget_gl_axe_y,
                            ui->widget_gl_axe_z})
        if (view->chosen_fault() >= int(s->faults.size()))
            view->set_chosen_fault(-1);
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void MainWindow::on_action_propose_triggered()
{
    // Its own top-level window; deleted on close so that its GL context goes with it.
    auto* about = new gl_widget();
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->show();

    const std::string rule(56, '=');
    std::cout << std::endl
              << rule << std::endl
              << "Autheur  : packview" << std::endl
              << "Mail : packview@example.org" << std::endl
              << "Page web : https://example.org/packview" << std::endl
              << rule << std::endl
              << std::endl;
}

void MainWindow::on_action_ouvrir_un_fichier_triggered()
{
    const QString file_name = ask_for_session_file();
    if (!file_name.isEmpty())
        load_session(file_name);
}

void MainWindow::on_action_inspecter_un_fichier_triggered()
{
    const QString file_name = ask_for_session_file();
    if (!file_name.isEmpty())
        inspect_session(file_name);
}

QString MainWindow::ask_for_session_file()
{
    return QFileDialog::getOpenFileName(this, tr("Ouvrir une instance"), tr("."),
                                        tr("qarvel(*.qrv);;Tous les fichiers (*)"));
}

void MainWindow::on_liste_item_triggered(QStandardItem* item)
{
    session* s = sessions_by_item.value(item, nullptr);
    if (!s)
        return;
    const session* shown = ui->widget_opengl->current_session();
    if (shown && shown->session_number == s->session_number)
        return;
    show_session_in_views(s);
}

void MainWindow::on_affiche_info_boite_triggered(QStandardItem* item, QString id)
{
    session* s = sessions_by_item.value(item, nullptr);
    if (!s)
        return;
    for (std::size_t i = 0; i < s->boxes.size(); ++i) {
        const box& b = *s->boxes[i];
        if (b.id != id)
            continue;
        const session* shown = ui->widget_opengl->current_session();
        if (shown && shown->session_number == s->session_number)
            ui->widget_opengl->set_highlighted_box(int(i));
        ui->widget_opengl->update();
        // The axis views keep their highlight for a box of a session they do not show.
        for (gl_widget* view : {ui->widget_gl_axe_x, ui->widget_gl_axe_y, ui->widget_gl_axe_z}) {
            if (view->current_session() == s)
                view->set_highlighted_box(int(i));
            view->update();
        }
        describe_in_info_pane(*s, int(i));
        break;
    }
    if (ui->frame_left_down->isHidden())
        ui->frame_left_down->setVisible(true);
}

void MainWindow::on_wid_opengl_box_selected(int number)
{
    session* s = ui->widget_opengl->current_session();
    if (!s)
        return;
    const int i = number - 1;
    if (i < 0 || i >= int(s->boxes.size()))
        return;
    const box& b = *s->boxes[std::size_t(i)];
    ui->treeView->select_box_item(s->tree_item, &b);
    // A falling box reports every unit it fell; the views draw once, after the whole fall.
    for (gl_widget* view : {ui->widget_gl_axe_x, ui->widget_gl_axe_y, ui->widget_gl_axe_z}) {
        view->set_highlighted_box(i);
        view->update();
    }
    describe_in_info_pane(*s, i);
}

// A fault chosen in the list: its marks drawn over the others and both its boxes emphasised in
// every view, the main view framed on them, the fault in the pane.
void MainWindow::on_fault_chosen(const QModelIndex& row)
{
    session* s = ui->widget_opengl->current_session();
    const int fault = row.data(fault_model::fault_role).toInt();
    if (!s || !row.isValid() || fault < 0 || std::size_t(fault) >= s->faults.size())
        return;
    const packing_fault& f = s->faults[std::size_t(fault)];
    for (gl_widget* view : {ui->widget_opengl, ui->widget_gl_axe_x, ui->widget_gl_axe_y,
                            ui->widget_gl_axe_z}) {
        view->set_chosen_fault(fault);
        view->update();
    }
    float lower[3], upper[3];
    if (fault_marks::bounds_of(*s, f, lower, upper))
        ui->widget_opengl->frame(lower, upper);
    write_info_pane(fault_description(*s, f));
}

// The main view shows the whole packing again, as before any fault was chosen.
void MainWindow::on_action_vue_d_ensemble_triggered()
{
    ui->widget_opengl->show_whole();
    ui->widget_opengl->update();
}

void MainWindow::describe_in_info_pane(const session& s, int index)
{
    QString html = box_description(*s.boxes[std::size_t(index)]);
    if (s.support)
        html += support_description(s.support->of(std::size_t(index)));
    write_info_pane(html + faults_of_box(s, index));
}

// A falling box reports every unit it fell, all with its final position: the pane is written
// again only when what it would show changes.
void MainWindow::write_info_pane(const QString& html)
{
    if (html == described)
        return;
    described = html;
    ui->zone_info_boite->setHtml(html);
}
