#!/usr/bin/env bash
# tools/install-deps.sh against stand-ins for dpkg-query, apt-get and apt-cache: nothing asked when all
# is there; a busy lock waited for and said once; alternatives resolved; a held lock ends the wait;
# packages named as arguments installed in place of the list.
set -u
source_dir=$2
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$stubs/dpkg-query" <<'STUB'
#!/usr/bin/env bash
for m in $MISSING; do [ "${!#}" = "$m" ] && exit 1; done
echo "install ok installed"
STUB
cat >"$stubs/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$STUBS/log"
if [ "$1" = update ]; then
  n=$(cat "$STUBS/busy" 2>/dev/null || echo 0)
  if [ "$n" -gt 0 ]; then
    echo $((n - 1)) >"$STUBS/busy"
    echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)" >&2
    exit 100
  fi
fi
STUB
cat >"$stubs/apt-cache" <<'STUB'
#!/usr/bin/env bash
for o in $OFFERED; do [ "$2" = "$o" ] && { echo "  Candidate: 1.0"; exit 0; }; done
echo "  Candidate: (none)"
STUB
printf '#!/bin/sh\nexec "$@"\n' >"$stubs/sudo"
chmod +x "$stubs"/*

run() { # BUSY MISSING OFFERED [ENV...]
  rm -f "$stubs/log"
  echo "$1" >"$stubs/busy"
  env PATH="$stubs:$PATH" STUBS="$stubs" MISSING="$2" OFFERED="$3" TAMARACK_APT_LOCK_POLL=0.1 "${@:4}" \
    bash "$source_dir/tools/install-deps.sh" 2>"$stubs/err"
}

run 0 "" "" || fail "status $? with everything installed"
[ ! -e "$stubs/log" ] || fail "apt was asked with everything installed: $(cat "$stubs/log")"

run 2 "libassimp-dev libclang-rt-dev libclang-rt-19-dev libclang-rt-14-dev" "libassimp-dev libclang-rt-19-dev" ||
  fail "status $? after the lock was released: $(cat "$stubs/err")"
[ "$(grep -c 'apt is busy' "$stubs/err")" -eq 1 ] || fail "the wait not said exactly once: $(cat "$stubs/err")"
[ "$(grep -c '^update' "$stubs/log")" -eq 3 ] || fail "update not tried again: $(cat "$stubs/log")"
grep -qx 'install -y -qq --no-install-recommends libassimp-dev libclang-rt-19-dev' "$stubs/log" ||
  fail "wrong install: $(cat "$stubs/log")"

run 1000 "libassimp-dev" "libassimp-dev" TAMARACK_APT_LOCK_WAIT=1 && fail "status 0 with the lock held for ever"
grep -q 'Could not get lock' "$stubs/err" || fail "apt's message not shown: $(cat "$stubs/err")"
grep -q '^install' "$stubs/log" && fail "installed while the lock was held"

rm -f "$stubs/log"
echo 0 >"$stubs/busy"
env PATH="$stubs:$PATH" STUBS="$stubs" MISSING="nasm libassimp-dev" OFFERED="nasm" \
  bash "$source_dir/tools/install-deps.sh" nasm zip 2>"$stubs/err" || fail "status $? for named packages"
grep -qx 'install -y -qq --no-install-recommends nasm' "$stubs/log" ||
  fail "named packages not installed alone: $(cat "$stubs/log")"
echo "install-deps: ok"
