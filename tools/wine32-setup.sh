#!/bin/bash
# Runs 32-bit Windows (PE i386) console programs on this x86_64 Linux machine,
# whose kernel cannot execute 32-bit code at all, with Debian's 32-bit wine run entirely under
# qemu-i386 user-mode emulation.
#
# Usage: wine32-setup.sh ROOT          makes ROOT/wine32 (runner: ROOT/wine32 prog.exe args...)
#                                       and ROOT/prefix (the 32-bit WINEPREFIX)
#        wine32-setup.sh --check ROOT  exit 0 when ROOT is complete and its packages are installed
# Env:   WINE32_SKIP_APT=1 to skip the package step.
set -euo pipefail
stamp_version=2
if [ "${1:-}" = --check ]; then
  ROOT=${2:?usage: wine32-setup.sh --check ROOT}
  [ "$(cat "$ROOT/.ready" 2>/dev/null)" = "$stamp_version" ] || exit 1
  dpkg -s wine32:i386 qemu-user gcc-multilib >/dev/null 2>&1 || exit 1
  [ -x "$ROOT/wine32" ] && [ -f "$ROOT/prefix/system.reg" ]
  exit
fi
ROOT=${1:?usage: wine32-setup.sh ROOT}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$ROOT"; ROOT=$(cd "$ROOT" && pwd)

# 1. Packages. qemu-user must be >= 8: bookworm's 7.2 crawls and crashes under wine, the one in
#    bookworm-backports (10.x) works. The backports suite is added on the machine's own Debian archive.
if [ "${WINE32_SKIP_APT:-0}" != 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  if ! grep -rqs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/; then
    uri=$(grep -h -m1 '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | awk '{print $2}')
    [ -n "$uri" ] || uri=$(grep -h -m1 '^deb ' /etc/apt/sources.list | awk '{print $2}')
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uri" > /etc/apt/sources.list.d/bookworm-backports.sources
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends wine wine32:i386 wine64 gcc-multilib
  apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user
fi
QEMU=/usr/bin/qemu-i386
"$QEMU" --version | head -1

# 2. A relocated wine tree. Wine 8 starts every new process by exec'ing
#    "<folder of the running loader binary>/<basename of argv[0]>" and overwrites WINELOADER,
#    so the real 32-bit loader sits next to a shell script named "wine" that runs it under qemu:
#    every child (wineboot, services, the test programs) comes back through the script.
mkdir -p "$ROOT/lib/wine" "$ROOT/share"
cp -f /usr/lib/wine/wine "$ROOT/lib/wine/wine-i386.bin"        # a real file, not a link
ln -sfn /usr/lib/i386-linux-gnu   "$ROOT/lib/i386-linux-gnu"     # ntdll.so and the unix side
ln -sfn /usr/lib/x86_64-linux-gnu "$ROOT/lib/x86_64-linux-gnu"
ln -sfn /usr/share/wine           "$ROOT/share/wine"             # wine.inf, nls
ln -sfn /usr/lib/wine/wineserver  "$ROOT/lib/wine/wineserver"    # the native 64-bit server
# qemu-user leaves the trap number of a signal frame at -1; wine decides on it whether a fault is an
# access violation. trapfix32.so fills it in, so structured exception handling sees the right codes.
gcc -m32 -O2 -shared -fPIC -o "$ROOT/lib/wine/trapfix32.so" "$here/trapfix.c" -ldl
cat > "$ROOT/lib/wine/wine" <<EOS
#!/bin/sh
d=\$(dirname "\$0")
exec $QEMU -E LD_PRELOAD="\$d/trapfix32.so" -0 "\$d/wine" "\$d/wine-i386.bin" "\$@"
EOS
chmod +x "$ROOT/lib/wine/wine"

# 3. The runner.
cat > "$ROOT/wine32" <<EOS
#!/bin/sh
# usage: wine32 prog.exe [args...]; the low byte of the program's exit code comes back
export WINEPREFIX="\${WINEPREFIX:-$ROOT/prefix}"
export WINEARCH=win32 WINELOADERNOEXEC=1
export WINEDEBUG="\${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="\${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec "$ROOT/lib/wine/wine" "\$@"
EOS
chmod +x "$ROOT/wine32"

# 4. The 32-bit prefix, once.
if [ ! -f "$ROOT/prefix/system.reg" ]; then
  WINEPREFIX="$ROOT/prefix" "$ROOT/wine32" wineboot -u </dev/null >"$ROOT/prefix-setup.log" 2>&1 || true
  WINEPREFIX="$ROOT/prefix" /usr/lib/wine/wineserver64 -w
fi
test -f "$ROOT/prefix/system.reg"
# 5. No debugger for unhandled exceptions: with wine's own (winedbg --auto), a program that crashes
#    exits with status 0, and a crashing test would pass. Without one, it exits with the exception code.
WINEPREFIX="$ROOT/prefix" "$ROOT/wine32" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /t REG_SZ /d '' /f </dev/null >/dev/null 2>&1
WINEPREFIX="$ROOT/prefix" "$ROOT/wine32" reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger </dev/null 2>/dev/null | tr -d '\r' | grep -q 'Debugger *REG_SZ *$'
echo "$stamp_version" > "$ROOT/.ready"
echo "ok: $ROOT/wine32 ready"
