# Sourced by scripts/run: whether a Velmar drives a board, however it was started. A Velmar holds
# its board's instance lock for as long as it runs: a shared memory name it keeps locked (flock),
# removed when it lets go.

# velmar_holds_board <1|2>: true while some Velmar holds the lock of that board.
velmar_holds_board() {
  local lock="/dev/shm/${VELMAR_NAME_PREFIX:-}velmar-instance-board$1"
  [ -e "$lock" ] || return 1
  # Held when it cannot be taken; a name the holder has just removed reads as free.
  ! flock -n "$lock" true 2>/dev/null && [ -e "$lock" ]
}

# wait_while_velmar_holds_board <1|2>: returns once no Velmar has held the board for two seconds.
# A restarting Velmar lets go just before its successor takes the lock over: the pause bridges it.
wait_while_velmar_holds_board() {
  local free=0
  while [ "$free" -lt 4 ]; do
    if velmar_holds_board "$1"; then free=0; else free=$((free + 1)); fi
    sleep 0.5
  done
}
