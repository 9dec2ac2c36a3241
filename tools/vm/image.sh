#!/usr/bin/env bash
# Makes the test machine's boot files in DIR (once; kept between runs): Debian's kernel and
# a small initramfs (busybox, the virtio, 9p and network-card modules, tools/vm/init). The
# machine's root is the host's own, so it has the same packages as the host.
set -euo pipefail
dir=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir"

if [ ! -f "$dir/vmlinuz" ]; then
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-[0-9]/ {print $2; exit}')
  [ -n "$pkg" ] || { echo "tools/vm: no kernel package found (apt-cache depends linux-image-amd64)" >&2; exit 1; }
  tmp=$(mktemp -d "$dir/kernel.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
  chmod 755 "$tmp"   # apt's download user writes here
  (cd "$tmp" && apt-get download -q "$pkg" >/dev/null 2>&1) ||
    { apt-get update -qq && (cd "$tmp" && apt-get download -q "$pkg" >/dev/null 2>&1); } ||
    { echo "tools/vm: cannot download $pkg" >&2; exit 1; }
  dpkg-deb -x "$tmp"/*.deb "$tmp/x"
  rm -rf "$dir/modules"
  mv "$tmp/x/lib/modules/"*/kernel "$dir/modules"
  mv "$tmp/x/boot/"vmlinuz-* "$dir/vmlinuz.part"
  rm -rf "$tmp"
  trap - EXIT
  rm -f "$dir/initrd"
  mv "$dir/vmlinuz.part" "$dir/vmlinuz"
fi

if [ ! -f "$dir/initrd" ] || [ "$here/init" -nt "$dir/initrd" ] || [ "$here/image.sh" -nt "$dir/initrd" ]; then
  tree=$(mktemp -d "$dir/initrd.XXXXXX")
  trap 'rm -rf "$tree"' EXIT
  mkdir -p "$tree"/{bin,dev,proc,sys,newroot,modules}
  cp /bin/busybox "$tree/bin/busybox"
  cp "$here/init" "$tree/init"
  chmod 755 "$tree/init"
  # The modules that the shares and the network card need, each after the ones it depends on.
  declare -A seen=()
  order=()
  add() {
    local name=$1 file dep
    [ -n "${seen[$name]:-}" ] && return 0
    seen[$name]=1
    file=$(find "$dir/modules" -name "$name.ko" | head -1)
    [ -n "$file" ] || { echo "tools/vm: kernel module $name not found" >&2; exit 1; }
    for dep in $(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' | tr ',' ' '); do add "$dep"; done
    cp "$file" "$tree/modules/"
    order+=("$name")
  }
  for m in virtio_pci 9pnet_virtio 9p virtio_net; do add "$m"; done
  printf '%s\n' "${order[@]}" > "$tree/modules.order"
  (cd "$tree" && find . | busybox cpio -o -H newc 2>/dev/null) > "$dir/initrd.part"
  rm -rf "$tree"
  trap - EXIT
  mv "$dir/initrd.part" "$dir/initrd"
fi
