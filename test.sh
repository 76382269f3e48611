#!/usr/bin/env bash
# Installs what is missing, checks the format of the code, builds Quillmere with its tests and
# runs every test headless; checks the install and the Debian package in a build of their own
# (scripts/check-package.sh); then runs the tests that need no browser engine, and the fast
# engine's four fuzzers (pages, style sheets, the tree as scripts change it, pages' scripts) for a
# minute each, in a build with AddressSanitizer and UndefinedBehaviorSanitizer; then the tests
# whose threads share the engine's caches in a build with ThreadSanitizer. Warnings fail every
# build.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/check-format.sh

# The builds share the real pages the tests unpack from Debian's packages, and ccache's store
# of what was compiled before.
shared=(-DQUILLMERE_GENERATOR_PAGES="$PWD/build/generator-pages"
    -DQUILLMERE_SCRIPT_PAGES="$PWD/build/script-pages")
if command -v ccache >/dev/null; then shared+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DQUILLMERE_WERROR=ON "${shared[@]}"
cmake --build build/test -j"$(nproc)"
(cd build/test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)
# ctest shows a skipped test's reason only in its log.
for pages in build/generator-pages build/script-pages; do
    if [[ -f $pages/unavailable ]]; then cat "$pages/unavailable"; fi
done

# `cmake --install` after ./run.sh's build, and the .deb as lintian checks it.
if command -v lintian >/dev/null; then scripts/check-package.sh; fi

# -O1 as the sanitizers advise: the checks stay exact and the fuzzer reads several times as
# many pages in its minute.
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DQUILLMERE_WERROR=ON -DQUILLMERE_SANITIZE=ON "${shared[@]}"
cmake --build build/sanitize -j"$(nproc)" --target nobrowser_tests fuzz_fastengine fuzz_css \
    fuzz_scriptdom fuzz_scripts make_corpus
(cd build/sanitize && QT_QPA_PLATFORM=offscreen ctest -L nobrowser --output-on-failure)

fuzz=build/sanitize/fuzz
rm -rf "$fuzz" && mkdir -p "$fuzz"
build/sanitize/bench/make_corpus "$PWD/$fuzz/corpus" 60 >/dev/null
(cd "$fuzz" && ../bench/fuzz_fastengine 60 corpus ../../../tests/fast-engine-pages)
(cd "$fuzz" && ../bench/fuzz_css 60)
(cd "$fuzz" && ../bench/fuzz_scriptdom 60 ../../../tests/fast-engine-pages/selector-chains.html)
# Real scripts to mutate: the script trees' (when fetched) and the script runtime's test pages'.
(cd "$fuzz" && QUILLMERE_SCRIPT_WORKER=../quillmere-script-worker ../bench/fuzz_scripts 60 \
    ../../script-pages/root ../../../tests/script-pages)

# Qt itself is not built with ThreadSanitizer, so the run is limited to the tests whose own
# threads meet: the writing thread and the fast engine's pool threads.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
    -DQUILLMERE_WERROR=ON -DQUILLMERE_TSAN=ON "${shared[@]}"
cmake --build build/tsan -j"$(nproc)" --target threaded_tests
(cd build/tsan && QT_QPA_PLATFORM=offscreen ctest -L threaded --output-on-failure)
