// The import command of the tune list (File, Import): asks for Bagpipe Music
// Writer, Piob Mhor or SongWright files, converts one chosen file at once and
// lists several in the "Import" window, which converts them one after another.
// The tunes go into the tune file after its current tune.
#pragma once

#include <QString>
#include <QStringList>

#include "gui/app/Commands.h"
#include "import/Importer.h"

namespace tunora {

class CAbcDoc;

// The import kind of one of the three import commands.
ImportKind ImportKindOf(CommandId id);
// The file dialog's filter for a kind.
QString ImportFilter(ImportKind kind);

// Runs the import command on a tune file: the file dialog, then the conversion.
void RunImportCommand(CAbcDoc& doc, CommandId id);

// Converts one file into doc, telling the user what failed; the number of tunes
// added (0 on failure). status receives a short account for the Import window.
int ImportOneFile(CAbcDoc& doc, ImportKind kind, const QString& path, QString& status);

}  // namespace tunora
