#!/usr/bin/env bash
# Brings the catalogues up to date with the program's texts: every text that tr() or
# QCoreApplication::translate() takes (or QT_TRANSLATE_NOOP marks) in the folders of both
# programs and the Designer form, Chinese (kavris-run's own texts: English) as the source.
# New texts come in unfinished, texts no longer used go; then translate them with Qt Linguist
# (linguist translations/kavris_en.ts) or in an editor, and mark them finished.
#   tools/update-translations.sh [CATALOGUE.ts...]   (default: translations/kavris_*.ts)
# LUPDATE names the lupdate program (default: lupdate on the path, Qt 5's on Debian).
# A new language: tools/update-translations.sh translations/kavris_<language>.ts makes it.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=${LUPDATE:-lupdate}
if [ $# -eq 0 ]; then
    set -- translations/kavris_*.ts
fi
for catalogue in "$@"; do
    language=$(basename "$catalogue" .ts)
    language=${language#kavris_}
    QT_SELECT=${QT_SELECT:-qt5} "$lupdate" -silent -I . -locations none -no-obsolete \
        -source-language zh_CN -target-language "$language" \
        adapter bus flash transfer oplist app cli -ts "$catalogue"
done
