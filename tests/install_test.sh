#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR) as a package would, checks that every file
# a desktop and a shell look for is there, and runs the installed command line from another
# folder: on files, on a folder into an output folder, and on standard input.
set -euo pipefail
build=$1

stage=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$stage" "$work"' EXIT

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr

fail() { echo "FAIL: $*" >&2; exit 1; }

for file in bin/quillmere bin/quillmere-convert \
            share/quillmere/HAND-M.CUR share/quillmere/drag.ico \
            share/applications/quillmere.desktop \
            share/icons/hicolor/16x16/apps/quillmere.png \
            share/icons/hicolor/48x48/apps/quillmere.png \
            share/icons/hicolor/256x256/apps/quillmere.png \
            share/man/man1/quillmere.1.gz share/man/man1/quillmere-convert.1.gz \
            share/bash-completion/completions/quillmere-convert \
            share/doc/quillmere/copyright share/doc/quillmere/changelog.gz; do
    [[ -s $usr/$file ]] || fail "$file was not installed"
done
[[ -x $usr/bin/quillmere-convert ]] || fail "quillmere-convert is not executable"
grep -qx 'Exec=quillmere %F' "$usr/share/applications/quillmere.desktop" \
    || fail "the menu entry does not start the program with the files handed to it"
grep -q '^MimeType=text/html;' "$usr/share/applications/quillmere.desktop" \
    || fail "the menu entry does not take web pages"
bash -n "$usr/share/bash-completion/completions/quillmere-convert" \
    || fail "the completion script is not valid bash"
bash -c "source '$usr/share/bash-completion/completions/quillmere-convert' \
         && complete -p quillmere-convert" >/dev/null || fail "no completion for quillmere-convert"

for page in quillmere quillmere-convert; do
    gzip -t "$usr/share/man/man1/$page.1.gz" || fail "the manual page $page(1) is not gzip"
done

# From a folder of its own, with nothing of the build in reach.
cd "$work"
convert=$usr/bin/quillmere-convert
"$convert" --help | grep -q -- '--output-dir' || fail "--help does not list --output-dir"
if "$convert" --help | grep -q -- '--help-all'; then fail "--help lists Qt's own options"; fi

mkdir -p site/docs
printf '<h1>Title</h1><p>Some <i>text</i>' > site/index.html
printf '<p>one<script>document.write(" two")</script>' > site/docs/script.htm
"$convert" --quiet --output-dir text site
[[ $(cat text/index.txt) == $'Title\n\nSome text' ]] || fail "wrong text for index.html"
[[ $(cat text/docs/script.txt) == 'one two' ]] || fail "the page's script did not run"
[[ -z $(find site -name '*.txt') ]] || fail "something was written beside the pages"

printf 'p { display: none }' > hide.css
text=$(printf '<link rel=stylesheet href=hide.css><div>shown</div><p>hidden' | "$convert" -)
[[ $text == shown ]] || fail "standard input gave '$text'"
echo "installed programs work"
