#!/bin/sh
# 青简录 launcher: starts the program from the folder this script lies in, wherever the archive was unpacked
# and from wherever it is called (a menu, a terminal, a symbolic link).
#
# At the first start the database tool makes the empty diary database data.mdb beside the program. An
# existing data.mdb is never touched. The program itself takes no options and never creates the file.
here=$(dirname "$(readlink -f "$0")")
cd "$here" || exit 1
if ! ./mkdiarydb --if-missing ./data.mdb; then
    # Most likely the folder is not writable. The program still starts and says that it cannot open its
    # database, in the same window a user would see for any other reason.
    echo "qingjianlu.sh: could not create $here/data.mdb" >&2
fi
exec ./qingjianlu
