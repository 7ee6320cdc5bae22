#!/usr/bin/env bash
# The audio test rig: a private PulseAudio sound server whose only output is a
# null sink (sound goes nowhere, but its monitor can be recorded), and a private
# speech daemon that speaks into it. Used when no sound server is reachable,
# as on a build machine; harmless on a desktop, where it does nothing.
#
#   audio-rig.sh start [OWNER_PID]  start the rig unless a sound server is
#                                   reachable; prints the shell lines to eval
#   audio-rig.sh stop [OWNER_PID]   stop it once no owner is left (all owners
#                                   are dropped when none is given)
#   audio-rig.sh env                print the shell lines of a running rig
#
# Owners are processes that use the rig; one that dies is forgotten, so
# overlapping test runs share one rig, which stops with the last of them.
set -euo pipefail

dir=${VIGILTIDE_AUDIO_DIR:-/tmp/vigiltide-audio-$(id -u)}
pulse_socket=$dir/pulse.sock
speech_socket=$dir/speechd.sock
sink=vigiltide_null

pulse_server="unix:$pulse_socket"
speech_address="unix_socket:$speech_socket"

die() { echo "audio-rig: $*" >&2; exit 1; }

print_env() {
  echo "export PULSE_SERVER='$pulse_server'"
  echo "export SPEECHD_ADDRESS='$speech_address'"
}

rig_pulse_up() { PULSE_SERVER=$pulse_server timeout 5 pactl info >/dev/null 2>&1; }

rig_speech_up() {
  local pid
  pid=$(cat "$dir/speechd.pid" 2>/dev/null) || return 1
  [[ -S $speech_socket ]] && kill -0 "$pid" 2>/dev/null
}

prune_owners() {
  local f
  for f in "$dir"/owners/*; do
    [[ -e $f ]] || continue
    kill -0 "${f##*/}" 2>/dev/null || rm -f "$f"
  done
}

start_pulse() {
  command -v pulseaudio >/dev/null || die "pulseaudio is not installed"
  rm -f "$pulse_socket"
  # As root PulseAudio only warns that it is meant for users; it needs a
  # runtime and home folder of its own (root has no /run/user/0), no default
  # script (-n) and an anonymous socket, so that clients need no cookie.
  HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime XDG_CONFIG_HOME=$dir/home/.config \
    pulseaudio -n --daemonize=yes --use-pid-file=yes --exit-idle-time=-1 \
    --log-target=file:"$dir/pulseaudio.log" \
    --load="module-null-sink sink_name=$sink sink_properties=device.description=Vigiltide_test_output" \
    --load="module-native-protocol-unix socket=$pulse_socket auth-anonymous=1" \
    </dev/null >/dev/null 2>&1 9>&- || die "pulseaudio did not start, see $dir/pulseaudio.log"
  local i
  for ((i = 0; i < 50; ++i)); do
    rig_pulse_up && break
    sleep 0.1
  done
  rig_pulse_up || die "pulseaudio does not answer, see $dir/pulseaudio.log"
  PULSE_SERVER=$pulse_server pactl set-default-sink "$sink"
}

start_speech() {
  command -v speech-dispatcher >/dev/null || return 0 # the speech tests say so
  rm -f "$speech_socket" "$dir/speechd.pid"
  mkdir -p "$dir/speechd-log"
  # Its voices speak through the sound server named in its environment.
  PULSE_SERVER=$pulse_server speech-dispatcher -d -t 0 -l 1 \
    -c unix_socket -S "$speech_socket" -P "$dir/speechd.pid" -L "$dir/speechd-log" \
    </dev/null >"$dir/speechd.out" 2>&1 9>&- || die "speech-dispatcher did not start, see $dir/speechd.out"
  local i
  for ((i = 0; i < 50; ++i)); do
    rig_speech_up && return 0
    sleep 0.1
  done
  die "speech-dispatcher does not answer, see $dir/speechd.out"
}

stop_all() {
  local pid
  pid=$(cat "$dir/speechd.pid" 2>/dev/null) && kill "$pid" 2>/dev/null || true
  pid=$(cat "$dir/runtime/pulse/pid" 2>/dev/null) && kill "$pid" 2>/dev/null || true
  rm -f "$dir/speechd.pid" "$speech_socket" "$pulse_socket"
}

cmd=${1:-start}
owner=${2:-}

case $cmd in
  start)
    # A reachable sound server (a desktop's, or one named by PULSE_SERVER) is
    # used as it is, with whatever speech daemon the desktop has.
    if ! { [[ ${PULSE_SERVER:-} == "$pulse_server" ]] && rig_pulse_up; } &&
      timeout 5 pactl info >/dev/null 2>&1; then
      echo "# audio-rig: using the sound server that is already reachable"
      exit 0
    fi
    command -v pactl >/dev/null || die "pactl is not installed (pulseaudio-utils)"
    mkdir -p "$dir/owners" "$dir/home" "$dir/runtime"
    chmod 700 "$dir" "$dir/runtime"
    exec 9>"$dir/lock"
    flock 9 # the daemons must not inherit the lock: they get 9>&-
    prune_owners
    rig_pulse_up || start_pulse
    rig_speech_up || start_speech
    [[ -n $owner ]] && touch "$dir/owners/$owner"
    print_env
    ;;
  stop)
    [[ -d $dir ]] || exit 0
    exec 9>"$dir/lock"
    flock 9
    if [[ -n $owner ]]; then
      rm -f "$dir/owners/$owner"
      prune_owners
      compgen -G "$dir/owners/*" >/dev/null && exit 0
    else
      rm -f "$dir"/owners/*
    fi
    stop_all
    ;;
  env)
    rig_pulse_up || die "the rig is not running"
    print_env
    ;;
  *)
    die "unknown command '$cmd' (start, stop or env)"
    ;;
esac
