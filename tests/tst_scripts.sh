#!/usr/bin/env bash
# The scripts' shared functions, with real folders and the real program:
#   tst_scripts.sh SOURCE_DIR VELVANE
set -uo pipefail
source_dir=$1
velvane=$2
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs the lines given in a shell that has sourced scripts/lib, as a script does.
in_script() {
    bash -c "set -euo pipefail; source '$source_dir/scripts/lib'; $1"
}

own=$(mktemp -d)
trap 'rm -rf -- "$own"' EXIT

# No runtime folder (root in a bare shell): a private one for the run, gone after it.
made=$(unset XDG_RUNTIME_DIR; in_script 'private_runtime_dir
    printf "%s %s %s\n" "$XDG_RUNTIME_DIR" "$(stat -c "%a %U" "$XDG_RUNTIME_DIR")"')
read -r folder mode owner <<<"$made"
[ "$mode $owner" = "700 $(id -un)" ] || fail "no runtime folder given: made '$made'"
[ -n "$folder" ] && [ ! -e "$folder" ] || fail "the private runtime folder $folder outlives the script"

# One that a failing script made is gone too.
made=$(unset XDG_RUNTIME_DIR; in_script 'private_runtime_dir; echo "$XDG_RUNTIME_DIR"; false')
[ -n "$made" ] && [ ! -e "$made" ] || fail "a failing script leaves $made behind"

# A proper one of the user's is used as it is and kept.
mkdir -m 700 "$own/runtime"
used=$(XDG_RUNTIME_DIR=$own/runtime in_script 'private_runtime_dir; echo "$XDG_RUNTIME_DIR"')
[ "$used" = "$own/runtime" ] || fail "the user's own runtime folder was replaced by $used"
[ -d "$own/runtime" ] || fail "the user's own runtime folder was removed"

# One that others may enter, or that is missing, is not used; the given one stays.
mkdir -m 755 "$own/open"
for given in "$own/open" "$own/missing"; do
    used=$(XDG_RUNTIME_DIR=$given in_script 'private_runtime_dir; echo "$XDG_RUNTIME_DIR"')
    [ "$used" != "$given" ] || fail "runtime folder $given used"
done
[ -d "$own/open" ] || fail "the given runtime folder $own/open was removed"

# The program started as the scripts start it says nothing, also without a
# runtime folder of its own; it is stopped after two seconds of running.
said=$(unset XDG_RUNTIME_DIR; QT_QPA_PLATFORM=offscreen \
    in_script "private_runtime_dir; timeout 2 '$velvane' || [ \$? -eq 124 ]" 2>&1)
[ $? -eq 0 ] || fail "the program did not run for two seconds: $said"
[ -z "$said" ] || fail "the program said: $said"

((failures == 0)) && echo "PASS: tst_scripts"
exit $((failures != 0))
