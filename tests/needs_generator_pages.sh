#!/usr/bin/env bash
# Runs a test of the generator pages, or skips it (status 77 for ctest) with the reason when they
# could not be had.
#
#     tests/needs_generator_pages.sh FOLDER COMMAND [ARGUMENT...]
set -euo pipefail
folder=$1
shift
if [[ ! -f $folder/complete ]]; then
    if [[ -f $folder/unavailable ]]; then
        cat "$folder/unavailable"
    else
        echo "SKIP: no generator pages in $folder (tests/fetch_generator_pages.sh fills it)"
    fi
    exit 77
fi
exec "$@"
