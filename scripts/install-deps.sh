#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quillmere need, when any is
# missing. Safe to run again: with everything present it changes nothing.
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin
    fonts-liberation          # "Arial" resolves to Liberation Sans, of Arial's metrics
    xvfb openbox xdotool xclip x11-utils   # the tests of the real program in a real X server
    pkg-config libgumbo-dev   # the fast engine's HTML parser
    libxml2-dev               # and its XML parser, for XHTML
    debian-handbook           # real static pages the fast engine is checked against
    clang-format              # the format check of test.sh
    dpkg-dev file             # cpack -G DEB: the package's dependencies read from the programs
    lintian                   # and the package checked as Debian checks its own
    ccache                    # the package's build made afresh for each check, from the cache
    libnode-dev               # V8, the JavaScript engine the fast engine runs pages' scripts on
    libseccomp-dev            # the system-call filter of the workers those scripts run in
)
# Only a test needs these, and it is skipped, saying why, when one could not be installed
# (offline, say).
test_packages=(
    libjs-mathjax             # a page typeset by MathJax, read by the browser engine
    libjs-highlight.js        # the highlighter MkDocs' pages load from where Debian puts it
)

not_installed() {
    local package status
    for package in "$@"; do
        status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
        [[ "$status" == "install ok installed" ]] || echo "$package"
    done
}
mapfile -t missing < <(not_installed "${packages[@]}")
mapfile -t missing_for_tests < <(not_installed "${test_packages[@]}")
[[ ${#missing[@]} -eq 0 && ${#missing_for_tests[@]} -eq 0 ]] && exit 0

sudo_if_needed=()
[[ $(id -u) -eq 0 ]] || sudo_if_needed=(sudo)
if [[ ${#missing[@]} -eq 0 ]]; then
    echo "Installing for the tests: ${missing_for_tests[*]}"
    { "${sudo_if_needed[@]}" apt-get update &&
        DEBIAN_FRONTEND=noninteractive "${sudo_if_needed[@]}" apt-get install -y \
            --no-install-recommends "${missing_for_tests[@]}"; } ||
        echo "Not installed: ${missing_for_tests[*]}; the tests that need them are skipped."
    exit 0
fi
missing+=("${missing_for_tests[@]}")
echo "Installing: ${missing[*]}"
"${sudo_if_needed[@]}" apt-get update
# libnode-dev needs Debian's own Node.js: a machine that carries another build of it (NodeSource's,
# say) has it replaced by Debian's, which apt does not do by itself when that is the older one.
debian_nodejs=()
if [[ " ${missing[*]} " == *" libnode-dev "* ]]; then
    version=$(apt-cache madison nodejs | awk '/debian\.org/ { print $3; exit }')
    [[ -n "$version" ]] && debian_nodejs=(--allow-downgrades "nodejs=$version")
fi
DEBIAN_FRONTEND=noninteractive "${sudo_if_needed[@]}" apt-get install -y --no-install-recommends \
    "${debian_nodejs[@]}" "${missing[@]}"
