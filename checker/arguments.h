#pragma once

#include <QStringList>

class QCommandLineOption;
class QCommandLineParser;

// Each argument as ISO 8859-1 text, which gives its bytes back unchanged: a file name need not
// be valid in the locale's encoding to name a file.
QStringList byte_faithful_arguments(int argc, char* argv[]);

// The --max-faults option of the commands that report every fault, and its value: false,
// with a line on the standard error stream, when it is not a count.
QCommandLineOption max_faults_option();
bool read_max_faults(const QCommandLineParser& parser, const QCommandLineOption& option,
                     int& max_faults);
