#!/bin/bash
# Run by container.sh with podman exec in the container of in-container.sh,
# started again with systemd as its first process: the unit, enabled by
# nobody, starts under its hardening (a dynamic user, namespaces, bubblewrap
# inside), converts a .docx posted over HTTP, and stops on SIGTERM with
# success. /checks is this folder.
set -euo pipefail
for _ in $(seq 1 60); do
  state=$(systemctl is-system-running 2>/dev/null || true)
  [ "$state" = running ] || [ "$state" = degraded ] && break
  sleep 0.5
done
[ "$(systemctl is-enabled quillet 2>/dev/null || true)" = disabled ] || { echo "the unit is enabled"; exit 1; }
systemctl start quillet
for _ in $(seq 1 120); do
  curl -fs -o /dev/null http://127.0.0.1:8080/health && break
  sleep 0.5
done
curl -fsS -o /dev/null http://127.0.0.1:8080/health || { journalctl -u quillet --no-pager | tail -30; exit 1; }
python3 /checks/make_docx.py /tmp/served.docx "Served by the unit"
curl -fsS -F file=@/tmp/served.docx -F format=txt -o /tmp/served.txt http://127.0.0.1:8080/convert ||
  { journalctl -u quillet --no-pager | tail -30; exit 1; }
grep -q "Served by the unit" /tmp/served.txt || { echo "the served text lacks the document's"; exit 1; }
user=$(ps -o user= -p "$(systemctl show -p MainPID --value quillet)")
[ "$user" != root ] || { echo "the service runs as root"; exit 1; }
# The offices are walled in by bubblewrap under the unit's restrictions.
pgrep -u "$user" -x bwrap >/dev/null || { echo "no office runs under bubblewrap"; journalctl -u quillet --no-pager | tail -30; exit 1; }
systemctl stop quillet
[ "$(systemctl show -p Result --value quillet)" = success ] || { journalctl -u quillet --no-pager | tail -30; exit 1; }
echo "quillet.service converted as $user, its offices under bubblewrap, and stopped cleanly"
