#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks it the way a Linux
# desktop sees it (menu entry, AppStream data, icons, udev rule, manual
# pages, where the settings go), then builds the Debian package and checks
# what it holds.
#   bash scripts/test.d/install.sh <repo> <build>
set -euo pipefail

repo="$(cd "${1:?usage: install.sh <repo> <build>}" && pwd)"
build="$(cd "${2:?usage: install.sh <repo> <build>}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "install: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "install: $*"; }

app_id=org.velmora.Velmora
programs=(velmora)
if find "$build" -name velmora-devsim -type f -perm -u+x | grep -q .; then programs+=(velmora-devsim); fi
if find "$build" -name velmora-cli -type f -perm -u+x | grep -q .; then programs+=(velmora-cli); fi
expected=(
    usr/share/applications/$app_id.desktop
    usr/share/metainfo/$app_id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$app_id.svg
    usr/lib/udev/rules.d/70-velmora.rules
)
sizes=(16 24 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"); done
for program in "${programs[@]}"; do expected+=("usr/bin/$program" "usr/share/man/man1/$program.1.gz"); done

# --- cmake --install into a DESTDIR
root="$work/root"
DESTDIR="$root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 \
    || { cat "$work/install.log" >&2; fail "cmake --install failed"; exit 1; }
missing=0
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || { fail "not installed: /$file"; missing=1; }
done
[ "$missing" -eq 0 ] && pass "installed ${#expected[@]} files"

# Each PNG is as large as the folder it sits in says (IHDR width and height).
for size in "${sizes[@]}"; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ -f "$png" ] || continue
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon ${size}x${size} is ${w}x${h}"
done

desktop="$root/usr/share/applications/$app_id.desktop"
if out="$(desktop-file-validate "$desktop" 2>&1)" && ! grep -q "error:" <<<"$out"; then
    grep -q '^Categories=.*Audio;Midi;Settings;' "$desktop" && pass "desktop entry valid" \
        || fail "desktop entry lacks the categories Audio;Midi;Settings"
else
    fail "desktop-file-validate: $out"
fi
if out="$(appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1)"; then
    pass "metainfo valid"
else
    fail "appstreamcli validate: $out"
fi
grep -Eq '^[^#]*TAG\+="uaccess"' "$root/usr/lib/udev/rules.d/70-velmora.rules" && pass "udev rule tags uaccess" \
    || fail "the udev rule does not tag uaccess"

# --- the installed program keeps its settings in the per-user folder and
# takes a legacy ./config.ini over once.
mkdir -p "$work/home" "$work/xdg" "$work/start"
# The device registry is read only when it is the user's and private.
mkdir -m 700 "$work/registry"
printf '[General]\nselectedMIDIName=C5\nshowCCNameEnabled=false\n' >"$work/start/config.ini"
run_velmora() {
    (cd "$work/start" && env HOME="$work/home" XDG_CONFIG_HOME="$work/xdg" QT_QPA_PLATFORM=offscreen \
        VELMORA_DEVICE_REGISTRY="$work/registry" timeout 60 "$root/usr/bin/velmora" --self-test >/dev/null 2>&1)
}
user_file="$work/xdg/Velmora/config.ini"
if run_velmora && grep -qx 'selectedMIDIName=C5' "$user_file" 2>/dev/null \
    && grep -qx 'showCCNameEnabled=false' "$user_file"; then
    printf '[General]\nselectedMIDIName=C3\n' >"$work/start/config.ini"
    if run_velmora && grep -qx 'selectedMIDIName=C5' "$user_file" && [ ! -e "$work/home/config.ini" ]; then
        pass "settings in \$XDG_CONFIG_HOME/Velmora, legacy file taken over once"
    else
        fail "the legacy ./config.ini was read again, or the program failed"
    fi
else
    fail "the legacy settings did not reach $user_file"
fi

# --- the Debian package
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
arch="$(dpkg --print-architecture)"
deb="$work/deb/velmora_${version}_${arch}.deb"
if (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) && [ -f "$deb" ]; then
    dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./||' >"$work/contents"
    missing=0
    for file in "${expected[@]}"; do
        grep -qx "$file" "$work/contents" || { fail "not in the package: /$file"; missing=1; }
    done
    depends="$(dpkg-deb -f "$deb" Depends)"
    grep -q 'libqt[56]' <<<"$depends" || { fail "package dependencies not computed: '$depends'"; missing=1; }
    [ "$missing" -eq 0 ] && pass "$(basename "$deb") holds every file; depends on $depends"
else
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB did not make velmora_${version}_${arch}.deb"
fi

exit $((failures > 0))
