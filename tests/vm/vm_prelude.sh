# Sourced by the VM test scripts: the skip and fail helpers, and the checks that the
# VM can run here at all (harness, qemu, a kernel, busybox, cpio, genisoimage). Each
# script checks its own further tools with needs_tool.
SKIP=77
skip() { echo "SKIPPED: $*"; exit $SKIP; }
fail() { echo "FAILED: $*"; FAILED=1; }
FAILED=0

# vm_can_run HARNESS_DIR
vm_can_run() {
  [ -x "$1/run-vm.sh" ] || skip "no VM harness at $1"
  command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 not installed"
  ls /boot/vmlinuz-* >/dev/null 2>&1 || skip "no kernel in /boot"
  [ -x /bin/busybox ] || skip "busybox-static not installed"
  command -v cpio >/dev/null || skip "cpio not installed"
  command -v genisoimage >/dev/null || skip "genisoimage not installed"
}

# needs_tool COMMAND [WHAT]: skips unless COMMAND is installed.
needs_tool() { command -v "$1" >/dev/null || skip "${2:-$1} not installed"; }
