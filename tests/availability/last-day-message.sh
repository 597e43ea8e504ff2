# Sourced by the availability scripts: the message Copy puts on the clipboard once 14:00 and 16:30 on
# the given day (YYYY-MM-DD, the last day of the program's week) are picked, in UTC.
last_day_message() {
    cat <<MESSAGE
I'm available at these times (GMT+0):

$(LC_ALL=C date -u -d "$1" '+%a, %-d %b')
  - 14:00–14:30
  - 16:30–17:00

Reply with a time that works for you.
MESSAGE
}
