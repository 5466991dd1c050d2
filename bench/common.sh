# shellcheck shell=bash
# What the benchmark scripts (run-bench, journal-cost) share; sourced by them, never run.

# The text the synthetic sites plant in their pages, and what the runs put in its place.
# shellcheck disable=SC2034 # used by the scripts that source this
NEEDLE='tagmender-bench-needle'
# shellcheck disable=SC2034
REPLACEMENT='tagmender-bench-replaced-text'

die() {
    echo "${0##*/}: $*" >&2
    exit 2
}

# The median of the numbers on standard input, one a line, as printf's FORMAT prints it.
median_of() { # [FORMAT] < NUMBERS
    sort -g | awk -v format="${1:-%.3f}" '{ v[NR] = $1 }
        END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf format, m }'
}

# The type of the file system that holds DIR, as mounted ("ext4"; stat -f names ext4 by the
# magic number it shares with ext2 and ext3).
fs_type_of() { # DIR
    findmnt -n -o FSTYPE --target "$1" 2>/dev/null || stat -f -c %T "$1"
}

median() { # NUMBERS...
    printf '%s\n' "$@" | median_of
}
