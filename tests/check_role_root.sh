#!/usr/bin/env bash
# The role's machine-wide part (packages, the kiosk account, its automatic login, the pull timer)
# applied to a throwaway root: this machine's own root under a writable overlay, in a mount namespace
# of this script alone, so nothing it changes reaches the machine. Applied twice (the second run
# changes nothing), then the root is looked at from inside.
#   check_role_root.sh ROLES_DIR PANELIA_DEB
# Exit 77 where the overlay cannot be made here (not root, no overlay file system).
set -euo pipefail
roles=$(readlink -f "$1")
deb=$(readlink -f "$2")
say() { echo "role root: $*"; }
[ "$(id -u)" -eq 0 ] || { say "not root: skipped"; exit 77; }
command -v ansible-playbook >/dev/null || { say "ansible is not installed: skipped"; exit 77; }
work=$(mktemp -d /var/tmp/panelia-role-root.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/upper" "$work/work" "$work/root" "$work/site"
# What the role is given, as a site would give it.
cat >"$work/site/site.yml" <<'PLAY'
---
- name: A kiosk prepared in a root
  hosts: localhost
  gather_facts: false
  roles:
    - role: panelia_kiosk
PLAY
# A site's own certificate authority, made for this run.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 2 \
  -subj "/CN=Panelia role root test CA" 2>/dev/null
cat >"$work/site/vars.yml" <<VARS
panelia_deb: $deb
panelia_kiosk_user: kiosk
panelia_pull_repo: https://git.example.org/kiosks/site.git
panelia_exit_password_hash: '\$y\$j9T\$F5Jx5fExrKuJdxaBuaP0K/\$XmOE/KOPnrbgp/YEDkvh7p/TW1s8UO4Dmluk2Fj3.Y3'
panelia_site_settings:
  - {hive: HKLM, key: 'SOFTWARE\\Quorvex\\Panelia4.0\\General', name: SoftHomeUrl, type: sz, value: 'https://example.org/'}
panelia_ca_certificates:
  - |
$(sed 's/^/    /' "$work/ca.pem")
VARS

# Inside the namespace: the overlay, /proc and /dev, no service may start; then the script's second
# half runs in the root.
unshare --mount --propagation private bash -euo pipefail -c '
  work=$1 roles=$2
  mount -t overlay overlay -o "lowerdir=/,upperdir=$work/upper,workdir=$work/work" "$work/root" ||
    { echo "role root: no overlay file system here: skipped"; exit 77; }
  mount -t proc proc "$work/root/proc"
  mount --bind /dev "$work/root/dev"
  printf "#!/bin/sh\nexit 101\n" >"$work/root/usr/sbin/policy-rc.d"
  chmod +x "$work/root/usr/sbin/policy-rc.d"
  exec chroot "$work/root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 HOME=/root \
    ANSIBLE_ROLES_PATH="$roles" ANSIBLE_NOCOLOR=1 bash -euo pipefail -c "
      fail=0
      bad() { echo \"role root: FAIL: \$*\"; fail=1; }
      play() { ansible-playbook -i localhost, -c local $work/site/site.yml -e @$work/site/vars.yml; }
      play >$work/first.log 2>&1 || { cat $work/first.log; exit 1; }
      play >$work/second.log 2>&1 || { cat $work/second.log; exit 1; }
      grep -q \"changed=0 \" $work/second.log || { bad \"the second run changed something:\"; cat $work/second.log; }
      grep -q \"\\\$y\\\$\" $work/first.log $work/second.log && bad \"the password hash was printed\"
      for p in panelia ibus ibus-libpinyin lightdm ansible git; do
        dpkg-query -W -f=\"\\\${Status}\" \$p 2>/dev/null | grep -q \"ok installed\" || bad \"\$p is not installed\"
      done
      id kiosk >/dev/null 2>&1 || bad \"no kiosk account\"
      id -nG kiosk | tr \" \" \"\\n\" | grep -qx panelia && bad \"the kiosk account is in the panelia group\"
      [ -d /home/kiosk ] || bad \"the kiosk account has no home\"
      conf=/etc/lightdm/lightdm.conf.d/50-panelia-kiosk.conf
      grep -qx autologin-user=kiosk \$conf || bad \"LightDM does not log the kiosk in\"
      session=\$(sed -n \"s/^autologin-session=//p\" \$conf)
      [ -e /usr/share/xsessions/\$session.desktop ] || bad \"LightDM names the session \\\"\$session\\\", which is not installed\"
      [ \"\$(readlink -f /etc/systemd/system/timers.target.wants/panelia-pull.timer)\" = /etc/systemd/system/panelia-pull.timer ] ||
        bad \"the pull timer is not enabled\"
      grep -q \"^ExecStart=/usr/bin/ansible-pull --url https://git.example.org/kiosks/site.git\" \
        /etc/systemd/system/panelia-pull.service || bad \"the pull service does not pull the site\"
      [ -x /usr/bin/ansible-pull ] || bad \"ansible-pull is not there for the timer\"
      openssl x509 -noout -subject -in /usr/local/share/ca-certificates/panelia-0.crt 2>/dev/null |
        grep -q \"Panelia role root test CA\" ||
        bad \"the certificate authority of the site was not written\"
      [ -L /etc/ssl/certs/panelia-0.pem ] || bad \"update-ca-certificates did not take the authority of the site\"
      panelia-reg query \"HKLM\\\\SOFTWARE\\\\Quorvex\\\\Panelia4.0\\\\General\" /v SoftHomeUrl | grep -q https://example.org/ ||
        bad \"the home page was not set\"
      exit \$fail
    "
' check-role-root "$work" "$roles"
status=$?
[ "$status" -eq 0 ] && say "packages, kiosk account, automatic login, pull timer, settings and certificate authority applied; a second run changed nothing"
exit "$status"
