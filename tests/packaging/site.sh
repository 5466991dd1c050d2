# Sourced by the package tests: the small tree each runs the installed batch tool on, and its
# checks. fail() reports and ends the test.
fail() { printf 'FAIL: %s\n' "$*"; exit 1; }

# expect FILE BYTES: FILE holds exactly BYTES (printf's escapes).
expect() { printf "$2" | cmp -s - "$1" || fail "$1 holds: $(od -c "$1" | head -3)"; }

# make_site FOLDER: two pages that hold "old", one below a subfolder, and a file that is no page.
make_site() {
    rm -rf "$1" && mkdir -p "$1/sub" || exit 1
    printf 'old\r\nold\r\n' >"$1/a.htm"
    printf '<p>old</p>' >"$1/sub/b.HTML"
    printf 'old' >"$1/c.txt"
}

# site_holds FOLDER TEXT: the pages hold TEXT where make_site put "old"; the other file is as it was.
site_holds() {
    expect "$1/a.htm" "$2\\r\\n$2\\r\\n"
    expect "$1/sub/b.HTML" "<p>$2</p>"
    expect "$1/c.txt" old
}
