#!/usr/bin/env bash
# The layers' include rules: dependencies point one way.
#   include-rules.sh <source folder> <QtCore include folder>
set -uo pipefail
cd "$1" || exit 2
qtcore=$2
status=0

# forbid <folder> <pattern of a quoted include> <why>
forbid() {
    local hits
    hits=$(grep -rnE --include='*.h' --include='*.cpp' "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"($2)" "$1" 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$3:"
        echo "$hits"
        status=1
    fi
}

forbid app 'ui/|startup/' "app/ serves the windows and names none of them"
forbid db 'ui/|app/|startup/|platform/|update/' "db/ knows nothing of the layers above it"
forbid platform 'ui/|app/|startup/|db/' "platform/ serves the windows and never names one"
forbid ui 'startup/' "the windows do not know how the program is assembled"
forbid ui 'db/(Snapshot|Connection|DaoInternal|JetSql|LongTextReader)' "the windows read and write entries through app/DiaryStore"
forbid update 'ui/|app/|startup/|db/' "the updater call knows nothing of the windows"
forbid update/libupdate 'ui/|app/|startup/|db/|platform/|update/' "the updater library shares no code with the program"

# db/ uses Qt Core only: every Qt header it includes is one of QtCore's.
while IFS= read -r line; do
    header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*<([^>]+)>.*/\1/' <<<"$line")
    header=${header#QtCore/}
    if [ ! -e "$qtcore/$header" ]; then
        echo "db/ uses Qt Core only: $line"
        status=1
    fi
done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Qt?[A-Z]' db)

exit $status
