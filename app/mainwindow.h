#pragma once

#include <QHash>
#include <QMainWindow>
#include <QString>

#include "model/support_checks.h"

#include <functional>
#include <future>
#include <memory>
#include <vector>

namespace Ui {
class MainWindow;
}
class QAction;
class QDockWidget;
class QTableView;
class QModelIndex;
class QStandardItem;
class QTextEdit;
class dimension;
class fault_model;
class fault_sort_model;
struct box;
struct checked_file;
struct session;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QTextEdit* output_pane() const;

    // Reads, checks, registers and shows one session file; false when nothing was loaded.
    bool load_session(const QString& file_name);
    // The same for the file that native_name names, file_name being its text: a name that is
    // not valid in the locale's encoding has no text that names it.
    bool load_session(const QString& file_name, const QByteArray& native_name);
    // Reads a session file as packview-check --all does and, when a container was read, opens
    // it with every box and every fault, for inspection; a valid file simply loads.
    bool inspect_session(const QString& file_name);
    bool inspect_session(const QString& file_name, const QByteArray& native_name);
    // Opens, as the two above do, a file whose reading and checks were started before, on
    // another thread: waits for them to end.
    bool open_read_ahead(const QString& file_name, const QByteArray& native_name, bool inspect,
                         std::future<std::unique_ptr<checked_file>>& reading);

    // The most faults an inspection lists, writes and marks (0: all); the count of all of
    // them is still written.
    void set_max_faults(int max_faults) { max_faults_ = max_faults; }
    static constexpr int default_max_faults = 1000;

    // Creates and registers an empty session with its tree node; the session owns container.
    session* add_session(const QString& name, std::unique_ptr<dimension> container);

    // The support checks every session is held to, off unless asked for: its failing boxes
    // join its faults, are listed and marked, and do not stop its moves.
    const support_checks& checks() const { return checks_; }
    void set_support_checks(const support_checks& checks);
    // Every view colours each box by its share of support, or by its palette entry.
    void set_colours_by_support(bool on);

    // Every registered session, in registration order.
    const std::vector<std::unique_ptr<session>>& registered_sessions() const { return sessions; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    // Connected by name to the form's two menu actions.
    void on_action_propose_triggered();
    void on_action_ouvrir_un_fichier_triggered();
    void on_action_inspecter_un_fichier_triggered();
    void on_action_vue_d_ensemble_triggered();

private:
    // Connected in the constructor: as slots, their names would make the form's connection
    // by name look for objects that do not exist and warn at every start.
    void on_liste_item_triggered(QStandardItem* item);
    void on_affiche_info_boite_triggered(QStandardItem* item, QString id);
    void on_wid_opengl_box_selected(int number);
    void on_fault_chosen(const QModelIndex& row);
    void on_boxes_settled();
    void on_least_share_asked();

    void prepare_panes();
    void prepare_fault_list();
    void prepare_support_menu();
    void show_faults_of(session* s);
    void repaint_views();
    QString ask_for_session_file();
    bool open_session(const QString& file_name, const QByteArray& native_name, bool inspect);
    // read_file reads and checks the file once the line that opens it is written.
    bool open_checked_session(const QString& file_name, const QByteArray& native_name,
                              bool inspect,
                              const std::function<std::unique_ptr<checked_file>()>& read_file);
    bool is_open(const QString& file_name) const;
    void describe_in_info_pane(const session& s, int index);
    void write_info_pane(const QString& html);
    void show_session_in_views(session* s);

    Ui::MainWindow* ui;
    std::vector<std::unique_ptr<session>> sessions;
    QHash<QStandardItem*, session*> sessions_by_item;
    int session_counter = 0;
    QString described;  // the information pane's text as last written
    QDockWidget* fault_dock;  // under the views, shown for a session with faults
    QTableView* fault_list;
    fault_model* faults_shown;
    fault_sort_model* faults_sorted;
    int max_faults_ = default_max_faults;
    support_checks checks_;
    bool colours_by_support_ = false;
    QAction* centre_action;
    QAction* colours_action;
};
