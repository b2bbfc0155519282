#!/bin/zsh
# Replaces the Vendrilo Connect bundle once the running app has quit, records
# the outcome for the app's next start and opens the new app.
#
#   install-update.sh PID VERSION IMAGE TARGET_APP LOG_FILE RESULT_FILE SCRIPT_PATH
#   install-update.sh --install-only SOURCE_APP TARGET_APP BACKUP_APP LOG_FILE RESULT_FILE VERSION
#
# The image is a gzip-compressed tar archive holding one top-level *.app
# directory; "mounting" it extracts it into a fresh folder. Everything variable
# arrives as an argument: nothing is ever substituted into this text.
# VENDRILO_CONNECT_INSTALLER_TICK (seconds, default 0.25, honoured from 0.05 to 5)
# paces every wait.

# Startup files may have changed options or defined aliases; start from plain zsh.
emulate -R zsh
unalias -m '*' 2>/dev/null || :
setopt err_exit no_unset pipe_fail

tick=${VENDRILO_CONNECT_INSTALLER_TICK:-0.25}
# Only a sane pace: near zero, the app would be killed before its shutdown stops the runtime.
[[ $tick == <->(|.<->) ]] && (( tick >= 0.05 && tick <= 5 )) || tick=0.25

log() {
  local file=$1
  shift
  mkdir -p -- "${file:h}" 2>/dev/null || :
  print -r -- "[$(date '+%Y-%m-%d %H:%M:%S')] $*" >>"$file" || :
}

sanitize_message() {
  local text=$1
  text=${text//$'\n'/ }
  text=${text//$'\t'/ }
  print -r -- "$text"
}

# One line of three tab-separated fields whatever the label holds (it comes
# from the release feed). A record that cannot be written is reported on
# standard error (the log) and does not stop the steps that follow.
record_result() {
  local file=$1 kind=$2 version=$3 message=$4
  mkdir -p -- "${file:h}" || :
  # A result left by the privileged run belongs to root: replace it, don't write into it.
  rm -f -- "$file" || :
  print -r -- "$kind"$'\t'"$(sanitize_message "$version")"$'\t'"$(sanitize_message "$message")" >"$file" || :
}

# Drops user.* attributes (download origin and the like) where the attr tools exist.
clear_extended_attributes() {
  (( $+commands[getfattr] && $+commands[setfattr] )) || return 0
  local entry name
  for entry in "$1" "$1"/**/*(DN); do
    for name in ${(f)"$(getfattr --absolute-names -h -m '^user\.' -- "$entry" 2>/dev/null)"}; do
      [[ -z $name || $name == '#'* ]] && continue
      setfattr -h -x "$name" -- "$entry" 2>/dev/null || :
    done
  done
  return 0
}

# Prints the identifier of a complete bundle of this app (a real *.app directory
# with its Info.plist and executable); fails for anything else.
bundle_identifier() {
  local app=$1 plist
  [[ $app == *.app && -d $app && ! -L $app ]] || return 1
  [[ -f $app/Contents/Info.plist && -f $app/Contents/MacOS/vendrilo-connect ]] || return 1
  plist=$(<"$app/Contents/Info.plist") || return 1
  [[ $plist =~ '<key>CFBundleIdentifier</key>[[:space:]]*<string>[[:space:]]*([^<[:space:]]+)[[:space:]]*</string>' ]] || return 1
  print -r -- "$match[1]"
}

is_app_bundle() {
  local identifier
  identifier=$(bundle_identifier "$1") || return 1
  [[ $identifier == "$2" ]]
}

# Callers test the result, which turns err_exit off in here: every step is checked by hand.
# The known good bundle, at the target or already moved to the backup, is only
# removed once a complete new bundle stands at the target.
perform_install() {
  local source_app=$1 target_app=$2 backup_app=$3 identifier
  identifier=$(bundle_identifier "$source_app") || return 1
  if is_app_bundle "$target_app" "$identifier"; then
    rm -rf -- "$backup_app" || return 1
    mv -T -- "$target_app" "$backup_app" || return 1
  elif is_app_bundle "$backup_app" "$identifier"; then
    # An earlier attempt moved the app aside and could not put it back: the target holds debris at most.
    rm -rf -- "$target_app" || return 1
  else
    return 1
  fi
  if cp -a -T -- "$source_app" "$target_app" && is_app_bundle "$target_app" "$identifier"; then
    clear_extended_attributes "$target_app"
    rm -rf -- "$backup_app" || :
    return 0
  fi
  restore_backup "$target_app" "$backup_app"
  return 1
}

# Puts the backup back when the target is not a complete bundle; leaves both alone otherwise.
restore_backup() {
  local target_app=$1 backup_app=$2 identifier
  identifier=$(bundle_identifier "$backup_app") || return 0
  is_app_bundle "$target_app" "$identifier" && return 0
  rm -rf -- "$target_app" && mv -T -- "$backup_app" "$target_app"
}

# Opens the app at the target, or the backup when putting it back failed.
reopen_app_if_possible() {
  local app
  for app in "$@"; do
    bundle_identifier "$app" >/dev/null || continue
    setsid -f -- "$app/Contents/MacOS/vendrilo-connect" </dev/null >/dev/null 2>&1 || :
    return 0
  done
}

wait_for_exit() {
  local pid=$1 attempts=$2 attempt
  for attempt in {1..$attempts}; do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep "$tick"
  done
  return 1
}

attach_image() {
  local image=$1 mount_point=$2
  [[ -n $mount_point ]] || return 1
  # "-" would mean standard input and "host:file" a remote archive.
  [[ $image == /* ]] || image=./$image
  tar --extract --gzip --no-same-owner --force-local --file="$image" --directory="$mount_point"
}

detach_image() {
  local mount_point=$1
  [[ -n $mount_point ]] || return 0
  [[ $(mount 2>/dev/null) == *"on $mount_point "* ]] || return 0
  umount -- "$mount_point" 2>/dev/null && return 0
  sleep "$tick"
  umount -f -- "$mount_point" 2>/dev/null
}

usage() {
  print -ru2 -- "usage: ${0:t} PID VERSION IMAGE TARGET_APP LOG_FILE RESULT_FILE SCRIPT_PATH"
  print -ru2 -- "       ${0:t} --install-only SOURCE_APP TARGET_APP BACKUP_APP LOG_FILE RESULT_FILE VERSION"
  exit 64
}

if [[ ${1-} == --install-only ]]; then
  (( $# == 7 )) || usage
  source_app=$2 target_app=$3 backup_app=$4 log_file=$5 result_file=$6 version_label=$7
  if perform_install "$source_app" "$target_app" "$backup_app"; then
    log "$log_file" "Installed update $version_label into $target_app"
    record_result "$result_file" success "$version_label" "Updated successfully."
    exit 0
  fi
  log "$log_file" "Privileged install failed for $target_app"
  record_result "$result_file" failure "$version_label" "Could not replace the existing app."
  exit 1
fi

(( $# == 7 )) || usage
current_pid=$1 version_label=$2 dmg_path=$3 target_app=$4 log_file=$5 result_file=$6 script_path=$7
# Signalling 0 or a negative number would reach whole process groups.
[[ $current_pid == <1-> ]] || usage

while [[ $target_app == ?*/ ]]; do
  target_app=${target_app%/}
done
backup_app="${target_app%.app}.previous.app"
# Whatever is not this app's bundle is never moved, replaced or reopened.
if ! target_identifier=$(bundle_identifier "$target_app"); then
  log "$log_file" "Update target $target_app is not a Vendrilo Connect app bundle"
  record_result "$result_file" failure "$version_label" "Vendrilo Connect could not install the update."
  exit 1
fi
mount_dir=$(mktemp -d /tmp/VendriloConnectUpdateMount.XXXXXX) || mount_dir=''
staging_root=''

cleanup() {
  if ! detach_image "$mount_dir"; then
    log "$log_file" "Could not detach update image at $mount_dir during cleanup"
  fi
  # Never descend into a file system that is still mounted there.
  if [[ -n $mount_dir ]]; then
    rm -rf --one-file-system -- "$mount_dir" || :
  fi
  if [[ -n $staging_root ]]; then
    rm -rf -- "$staging_root" || :
  fi
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

give_up() {
  record_result "$result_file" failure "$version_label" "$1"
  if ! restore_backup "$target_app" "$backup_app"; then
    log "$log_file" "Could not move $backup_app back to $target_app"
  fi
  reopen_app_if_possible "$target_app" "$backup_app"
  exit 1
}

log "$log_file" "Waiting for Vendrilo Connect process $current_pid to exit"
if ! wait_for_exit "$current_pid" 120; then
  log "$log_file" "Process $current_pid is still running, sending SIGTERM"
  kill -TERM "$current_pid" 2>/dev/null || :
  if ! wait_for_exit "$current_pid" 32; then
    log "$log_file" "Process $current_pid ignored SIGTERM, sending SIGKILL"
    kill -KILL "$current_pid" 2>/dev/null || :
    if ! wait_for_exit "$current_pid" 16; then
      log "$log_file" "Timed out waiting for process $current_pid to exit after escalation"
      give_up "Timed out waiting for Vendrilo Connect to quit."
    fi
  fi
fi

log "$log_file" "Mounting update disk image $dmg_path"
if ! attach_image "$dmg_path" "$mount_dir"; then
  log "$log_file" "Failed to mount $dmg_path"
  give_up "Could not open the downloaded update image."
fi

# Directories only, symbolic links not followed, in name order.
source_apps=("$mount_dir"/*.app(N/))
if (( ${#source_apps} == 0 )); then
  log "$log_file" "No app bundle found in mounted image"
  give_up "The downloaded update did not contain a macOS app bundle."
fi
source_app=${source_apps[1]}

staging_root=$(mktemp -d /tmp/VendriloConnectUpdateApp.XXXXXX) || staging_root=''
staged_source_app=${staging_root:+$staging_root/${source_app:t}}
log "$log_file" "Staging update app bundle from $source_app"
if [[ -z $staging_root ]] || ! cp -a -T -- "$source_app" "$staged_source_app"; then
  log "$log_file" "Failed to stage update app bundle"
  give_up "Could not prepare the downloaded update."
fi
# The update must be a complete bundle of the very app it replaces.
if ! is_app_bundle "$staged_source_app" "$target_identifier"; then
  log "$log_file" "Update app bundle $source_app is not a complete bundle of $target_identifier"
  give_up "Vendrilo Connect could not install the update."
fi

if ! detach_image "$mount_dir"; then
  log "$log_file" "Could not detach update image before install; continuing with staged bundle"
fi

log "$log_file" "Installing update $version_label from $staged_source_app"
if perform_install "$staged_source_app" "$target_app" "$backup_app"; then
  record_result "$result_file" success "$version_label" "Updated successfully."
else
  log "$log_file" "Direct install failed, requesting administrator privileges"
  # The privileged run records its own result.
  if ! pkexec /bin/zsh "${script_path:a}" --install-only "$staged_source_app" "$target_app" "$backup_app" \
      "$log_file" "$result_file" "$version_label"; then
    log "$log_file" "Privileged install was cancelled or failed"
    give_up "Vendrilo Connect could not install the update."
  fi
fi

rm -f -- "$dmg_path" 2>/dev/null || :
log "$log_file" "Opening updated app at $target_app"
reopen_app_if_possible "$target_app"
exit 0
