#include "settings/SettingsFile.h"

#include "core/TextFile.h"
#include "settings/SpellingSelection.h"

QStringList SettingsFile::readLines() {
    return TextFile::readLines(Path);
}

void SettingsFile::write(const SpellingSelection& selection) {
    TextFile::write(Path, selection.fileText());
}
