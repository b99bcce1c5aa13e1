#pragma once
// Where the program's own files go: beside the program when a file of that name is there (a
// portable copy), otherwise in the user's data folder, created private.

#include <QString>

// Creates the folder and its missing parents with mode 0700; true when it exists afterwards.
bool MakePrivateFolder(const QString& path);

// <program>.<suffix> beside the program when it is a file there, else
// $XDG_DATA_HOME/<title>/<program>.<suffix> (the folder made private when missing).
QString ProgramDataFile(const QString& programPath, const QString& suffix, const QString& title);
