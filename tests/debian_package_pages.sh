# What tests/fetch_generator_pages.sh and tests/fetch_script_pages.sh share: each sources this
# with `pages_record` (its record of packages, versions and digests) and `pages_name` (what
# its pages are called in messages) set, and the folder as its first argument. This fetches
# every package of the record into a scratch folder, checks its digest, and gives the script
# `take` and `take_sample` to unpack what it needs below FOLDER/root. It leaves the script
# (exit 0) when FOLDER already holds what the same scripts made from the same record.

folder=${1:?usage: $(basename "$0") FOLDER}
stamp=$(cat "$0" "${BASH_SOURCE[0]}" "$pages_record" | sha256sum | cut -d' ' -f1)
[[ -f $folder/complete && $(cat "$folder/complete") == "$stamp" ]] && exit 0
rm -rf "$folder"
mkdir -p "$folder/root"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch" # apt-get downloads as its own user where it can

unavailable() {
    echo "SKIP: the $pages_name cannot be had: $*" | tee "$folder/unavailable" >&2
    exit 77
}

while read -r package version digest; do
    [[ -z $package || $package == \#* ]] && continue
    (cd "$scratch" && apt-get download "$package=$version" >"$scratch/apt.log" 2>&1) ||
        unavailable "$package $version could not be fetched ($(grep -m1 '^E:' "$scratch/apt.log" ||
            echo 'apt-get download failed'))"
    deb=("$scratch/${package}_"*.deb)
    if [[ $(sha256sum "${deb[0]}" | cut -d' ' -f1) != "$digest" ]]; then
        echo "$package $version does not have the digest recorded in $pages_record" >&2
        exit 1
    fi
done <"$pages_record"

# Takes the members matching the patterns (a * does not cross a /) out of a package.
take() {
    local package=$1
    shift
    dpkg-deb --fsys-tarfile "$scratch"/"$package"_*.deb |
        tar -x -C "$folder/root" --wildcards --no-wildcards-match-slash "$@"
}

# Takes at most 150 of the package's pages whose member names match the extended regular
# expression: all of them, or every n-th by name.
take_sample() {
    local package=$1 pages=$2
    dpkg-deb --fsys-tarfile "$scratch"/"$package"_*.deb | tar -t | grep -E "^$pages\$" |
        LC_ALL=C sort | awk '{ name[NR] = $0 }
            END { step = NR > 150 ? NR / 150 : 1
                  for (i = 0; i * step < NR; ++i) print name[int(i * step) + 1] }' \
        >"$scratch/$package-sample"
    take "$package" -T "$scratch/$package-sample"
}
