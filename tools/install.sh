#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Copyright (c) 2026 The ComLink Authors

# Installs ComLink under a prefix from the built trees: install.sh BUILD VERSION DEST IMAGE...
# (make install and make dist call it; DEST is DESTDIR and PREFIX together; the images are the
# firmware volume's, so what is shipped and what the volume holds are one list).
set -eu
build=$1
version=$2
dest=$3
shift 3
test $# -gt 0 || { echo "install: no firmware images named" >&2; exit 1; }
src=$(cd "$(dirname "$0")/.." && pwd)

# put MODE DIR FILE...: copies the files into DEST/DIR.
put() {
  mode=$1 dir=$2
  shift 2
  mkdir -p "$dest/$dir"
  for file in "$@"; do
    test -f "$file" || { echo "install: $file is missing (build it first)" >&2; exit 1; }
    install -m "$mode" "$file" "$dest/$dir/"
  done
}

put 0755 bin "$build/tools/tools/debugcfg" "$src/tools/statusdecode"
# statusdecode reads its tables from the module beside it.
put 0644 bin "$src/tools/statuscodes.py"
put 0644 lib/comlink/fwpack "$src"/tools/fwpack/*.py
cat >"$dest/bin/fwpack" <<'EOF'
#!/bin/sh
exec python3 "$(dirname "$(readlink -f "$0")")/../lib/comlink/fwpack" "$@"
EOF
chmod 0755 "$dest/bin/fwpack"

put 0644 share/comlink/firmware "$@"

# The definitions platform code includes, as <comlink/Protocol/UartAccess.h> and so on.
(cd "$src/include" && find . -name '*.h' | sort) | while read -r header; do
  put 0644 "include/comlink/$(dirname "$header")" "$src/include/$header"
done

mkdir -p "$dest/share/man/man1"
sed "s/@VERSION@/$version/" "$src/tools/debugcfg/debugcfg.1" >"$dest/share/man/man1/debugcfg.1"
chmod 0644 "$dest/share/man/man1/debugcfg.1"

put 0644 share/doc/comlink "$src/README.md" "$src/CHANGELOG.md" "$src/LICENSE" \
  "$src/docs/integration.md" "$src/docs/architecture.md"
