# How this machine runs 32-bit Windows code under Wine. Source it after
# .ci/wine-env.sh (it needs QJ_WINE32), then call qj_wine32_mode:
#
#   native     the kernel executes 32-bit programs: Debian's 32-bit Wine runs
#              as it is.
#   emulated   the kernel does not, but Debian's qemu-user-static runs them:
#              the i386 ELF format is registered with binfmt_misc, with
#              /usr/bin/qemu-i386-static as its interpreter (flag F, so the
#              interpreter is opened once, at registration). Where the kernel
#              gives each user namespace a binfmt_misc of its own (Linux 6.7
#              and later), the format is registered there, in a namespace that
#              lives only as long as the 32-bit test run, and the machine is
#              not changed at all; elsewhere it is registered machine-wide and
#              removed again when the run ends.
#   none       neither: the 32-bit Windows tests report skipped.
#
# qj_wine32_mode prints the mode, a blank and one line of why; it installs
# qemu-user-static when the kernel lacks 32-bit support and the package is
# missing. QJ_WINE32_MODE=emulated forces the emulated run on a kernel that
# executes 32-bit programs itself (to check that road on such a machine; it
# needs a namespace binfmt_misc, so the machine is never changed for it);
# QJ_WINE32_MODE=none skips the 32-bit tests.

QJ_QEMU_I386=${QJ_QEMU_I386:-/usr/bin/qemu-i386-static}
QJ_BINFMT_NAME=qj-i386
# The i386 ELF executable and shared-object header (class 32-bit, little
# endian, version 1, type 2 or 3, machine 3), as binfmt_misc matches it.
QJ_BINFMT_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
QJ_BINFMT_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# A 32-bit Linux program that only exits with code 0, made with the
# assembler and linker that the mingw-w64 packages bring in (binutils).
qj_i386_probe_program() {
  local dir=${TMPDIR:-/tmp}/qj-i386-probe.$$
  mkdir -p "$dir" || return 1
  printf '.globl _start\n_start:\n movl $1,%%eax\n xorl %%ebx,%%ebx\n int $0x80\n' >"$dir/p.s"
  if as --32 "$dir/p.s" -o "$dir/p.o" 2>/dev/null && ld -m elf_i386 "$dir/p.o" -o "$dir/p" 2>/dev/null; then
    printf '%s\n' "$dir/p"
    return 0
  fi
  rm -rf "$dir"
  return 1
}

# True when an enabled binfmt_misc entry of the current namespace takes
# i386 executables (then a 32-bit program runs through it whatever the
# kernel could do itself).
qj_i386_handler_registered() {
  local f
  [ -r /proc/sys/fs/binfmt_misc/status ] || return 1
  for f in /proc/sys/fs/binfmt_misc/*; do
    case "${f##*/}" in register|status) continue ;; esac
    grep -qx enabled "$f" 2>/dev/null || continue
    grep -q '^magic 7f454c4601010100000000000000000002000300' "$f" 2>/dev/null && return 0
  done
  return 1
}

# True when the kernel gives a new user namespace a binfmt_misc of its own.
qj_binfmt_namespaced() {
  command -v unshare >/dev/null 2>&1 || return 1
  timeout 30 unshare --user --map-root-user --mount --fork \
    sh -c 'mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null && [ -w /proc/sys/fs/binfmt_misc/register ]' \
    </dev/null >/dev/null 2>&1
}

qj_have_qemu_i386() {
  [ -x "$QJ_QEMU_I386" ] && return 0
  dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed' && [ -x "$QJ_QEMU_I386" ] && return 0
  echo "== wine: installing qemu-user-static (this kernel runs no 32-bit programs)" >&2
  { timeout 300 apt-get update -qq && DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y -qq --no-install-recommends qemu-user-static; } \
    </dev/null >/dev/null 2>&1
  [ -x "$QJ_QEMU_I386" ]
}

qj_wine32_mode() {
  local probe native=0
  if [ "${QJ_WINE32_MODE:-}" = none ]; then
    echo "none QJ_WINE32_MODE=none"; return
  fi
  if [ ! -x "$QJ_WINE32" ]; then
    echo "none no 32-bit Wine ($QJ_WINE32, Debian package wine32:i386)"; return
  fi
  if probe=$(qj_i386_probe_program); then
    if ! qj_i386_handler_registered && timeout 30 "$probe" </dev/null >/dev/null 2>&1; then native=1; fi
    rm -rf "$(dirname "$probe")"
  elif timeout 30 "$QJ_WINE32" --version </dev/null >/dev/null 2>&1; then
    native=1
  fi
  if [ "${QJ_WINE32_MODE:-}" != emulated ]; then
    if [ "$native" = 1 ]; then
      echo "native the kernel executes 32-bit programs"; return
    fi
    if qj_i386_handler_registered && timeout 120 "$QJ_WINE32" --version </dev/null >/dev/null 2>&1; then
      echo "emulated-registered an i386 binfmt_misc entry of this machine runs 32-bit programs"; return
    fi
  fi
  if ! qj_have_qemu_i386; then
    echo "none the kernel runs no 32-bit programs and qemu-user-static cannot be installed"; return
  fi
  if qj_binfmt_namespaced; then
    echo "emulated-namespace qemu-i386 user emulation, i386 format registered with the binfmt_misc of a private user namespace"
  elif [ "${QJ_WINE32_MODE:-}" = emulated ] && [ "$native" = 1 ]; then
    echo "none QJ_WINE32_MODE=emulated needs a namespace binfmt_misc on a kernel that runs 32-bit programs"
  elif [ "$(id -u)" = 0 ]; then
    echo "emulated-machine qemu-i386 user emulation, i386 format registered with the machine's binfmt_misc for this run"
  else
    echo "none the kernel runs no 32-bit programs and registering qemu-i386 with binfmt_misc needs root"
  fi
}

# Registers the i386 format with the binfmt_misc of the current namespace
# (mounting it first where it is not mounted). Returns 1 when it cannot.
QJ_BINFMT_MOUNTED=
qj_binfmt_register() {
  local dir=/proc/sys/fs/binfmt_misc
  if [ ! -w "$dir/register" ]; then
    mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null || return 1
    QJ_BINFMT_MOUNTED=1
  fi
  [ -e "$dir/$QJ_BINFMT_NAME" ] && return 0
  printf ':%s:M::%s:%s:%s:F\n' "$QJ_BINFMT_NAME" "$QJ_BINFMT_MAGIC" "$QJ_BINFMT_MASK" "$QJ_QEMU_I386" >"$dir/register"
}

# Removes the entry, and unmounts binfmt_misc where qj_binfmt_register
# mounted it.
qj_binfmt_unregister() {
  local entry=/proc/sys/fs/binfmt_misc/$QJ_BINFMT_NAME
  [ -e "$entry" ] && echo -1 >"$entry"
  [ -n "$QJ_BINFMT_MOUNTED" ] && umount /proc/sys/fs/binfmt_misc 2>/dev/null
  return 0
}
