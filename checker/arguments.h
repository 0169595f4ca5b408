#pragma once

#include <QStringList>

#include <optional>

class QCommandLineOption;
class QCommandLineParser;
struct support_checks;

// Each argument as ISO 8859-1 text, which gives its bytes back unchanged: a file name need not
// be valid in the locale's encoding to name a file.
QStringList byte_faithful_arguments(int argc, char* argv[]);

// The --max-faults option of the commands that report every fault, and its value: false,
// with a line on the standard error stream, when it is not a count.
QCommandLineOption max_faults_option();
bool read_max_faults(const QCommandLineParser& parser, const QCommandLineOption& option,
                     int& max_faults);

// --min-support P and --centre, and what they ask for: false, with a line on the standard
// error stream, when P is not a percent from 0 to 100.
QList<QCommandLineOption> support_options();
bool read_support_checks(const QCommandLineParser& parser, support_checks& checks);

// Parses the arguments, naming the files by their bytes; with --help, writes the help and
// gives the status 0 to leave with.
std::optional<int> parse_files(QCommandLineParser& parser, const QStringList& arguments,
                               const QCommandLineOption& help, QList<QByteArray>& files,
                               bool& understood);
// A line not understood, or one without files: the parser's error and the help on the
// standard error stream, and the status 2 to leave with. Empty when the run may go on.
std::optional<int> refuse_unless(const QCommandLineParser& parser, bool understood,
                                 const QList<QByteArray>& files);
