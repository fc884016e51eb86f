#!/usr/bin/env bash
# Runs the desktop's own validators over the files Glimpo installs for the desktop.
# Usage: validate-desktop-files.sh DATA-DIR
set -uo pipefail
data=${1:?usage: validate-desktop-files.sh DATA-DIR}
status=0
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL: $tool is not installed, so the desktop files were not checked (scripts/install-deps installs it)." >&2
        status=1
    fi
done
[ $status -eq 0 ] || exit $status
# desktop-file-validate exits 0 on hints and warnings; any output is a finding.
if out=$(desktop-file-validate "$data/org.glimpo.Glimpo.desktop" 2>&1) && [ -z "$out" ]; then
    echo "ok: org.glimpo.Glimpo.desktop"
else
    echo "FAIL: desktop-file-validate on org.glimpo.Glimpo.desktop:" >&2
    echo "$out" >&2
    status=1
fi
if out=$(appstreamcli validate --no-net "$data/org.glimpo.Glimpo.metainfo.xml" 2>&1); then
    echo "ok: org.glimpo.Glimpo.metainfo.xml"
else
    echo "FAIL: appstreamcli validate on org.glimpo.Glimpo.metainfo.xml:" >&2
    echo "$out" >&2
    status=1
fi
exit $status
