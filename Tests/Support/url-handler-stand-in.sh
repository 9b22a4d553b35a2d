# A stand-in application as the desktop's only URL handler (GIO, in private XDG directories,
# no portal), for the shell tests that open links. Source it after expect.sh, then
#   install_handler SCHEMES...   the stand-in becomes the default for each scheme
#   url=$(opened_url)            the URL it was last started with, or "(nothing opened)"

# Only the stand-in handles anything: no system application, no portal.
export XDG_DATA_HOME="$work/share" XDG_DATA_DIRS="$work/no-system-data" XDG_CONFIG_HOME="$work/xdg-config" XDG_CONFIG_DIRS="$work/no-system-config" GIO_USE_PORTALS=0
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
cat >"$work/record-url" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened.part"
mv "$work/opened.part" "$work/opened"
EOF
chmod +x "$work/record-url"
install_handler() { # install_handler SCHEMES...: the stand-in becomes the default for each scheme
  local mime="" defaults="[Default Applications]"
  for scheme in "$@"; do
    mime+="x-scheme-handler/$scheme;"
    defaults+=$'\n'"x-scheme-handler/$scheme=stand-in.desktop"
  done
  printf '[Desktop Entry]\nType=Application\nName=Stand-in\nExec=%s %%u\nMimeType=%s\n' "$work/record-url" "$mime" \
    >"$XDG_DATA_HOME/applications/stand-in.desktop"
  printf '%s\n' "$defaults" >"$XDG_CONFIG_HOME/mimeapps.list"
}
# The handler runs on its own after tvkctl returns: wait for its record, bounded.
opened_url() {
  for _ in $(seq 1 500); do
    if [[ -s "$work/opened" ]]; then
      cat "$work/opened"
      rm -f "$work/opened"
      return
    fi
    sleep 0.01
  done
  echo "(nothing opened)"
}
