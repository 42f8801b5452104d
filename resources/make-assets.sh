#!/usr/bin/env bash
# Makes every picture, sound and the help page Orbelle ships.
#
#   OUTDIR/dist/...  files installed beside Orbelle.exe (skins, tray day
#                    picture, sounds, help/index.html)
#   OUTDIR/res/...   pictures compiled into the program: popup.bmp and the
#                    five toolbar_*.bmp (mask colour magenta, 255 0 255)
#
# Same bytes on every run: the pictures are drawn by make_pictures.py with
# hand-made pixel fonts (no font files, no time stamps, no resolution
# chunk), the sounds are synthesised by make_sounds.py without dither or
# random seeds.  Needs python3; the checks at the end use ImageMagick's
# identify and sox's soxi.
#
# Usage: resources/make-assets.sh OUTDIR
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: make-assets.sh OUTDIR}
mkdir -p "$out"

# /usr/local/bin may hold other programs named identify; use ImageMagick's.
identify=/usr/bin/identify

# Pictures and sounds are independent: make them side by side.
python3 -B "$here/make_pictures.py" "$out" &
pictures=$!
python3 -B "$here/make_sounds.py" "$out" &
sounds=$!
status=0
wait "$pictures" || status=1
wait "$sounds" || status=1
[ "$status" = 0 ] || { echo "make-assets: drawing or synthesis failed" >&2; exit 1; }

mkdir -p "$out/dist/help"
cat >"$out/dist/help/index.html" <<'HTML'
<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Orbelle: your desktop reminder calendar</title>
<style>
  :root { color-scheme: light; --ink: #262c3a; --navy: #1f407a; --blue: #3466b0;
          --mist: #d6e3f4; --haze: #e9f0f9; --paper: #fcfbf7; --coral: #b8453a; }
  * { box-sizing: border-box; }
  body { margin: 0; background: var(--haze); color: var(--ink);
         font: 16px/1.55 Tahoma, Verdana, "DejaVu Sans", sans-serif; }
  header { background: var(--navy); color: #fff; padding: 1.5rem 1rem; }
  header div, main, footer { max-width: 46rem; margin: 0 auto; }
  header h1 { margin: 0; font-size: 2rem; letter-spacing: .02em; }
  header p { margin: .3rem 0 0; color: var(--mist); }
  nav { background: var(--mist); padding: .6rem 1rem; }
  nav ul { max-width: 46rem; margin: 0 auto; padding: 0; list-style: none;
           display: flex; flex-wrap: wrap; gap: .4rem 1.2rem; }
  nav a { color: var(--navy); font-weight: bold; }
  main { background: var(--paper); padding: 1rem 1.5rem 2rem; }
  h2 { color: var(--navy); border-bottom: 2px solid var(--mist); padding-bottom: .2rem;
       margin-top: 2rem; }
  h3 { color: var(--blue); margin-bottom: .3rem; }
  a { color: var(--blue); }
  a:focus, a:hover { color: var(--coral); }
  table { border-collapse: collapse; width: 100%; margin: .6rem 0; }
  th, td { text-align: left; vertical-align: top; padding: .35rem .6rem;
           border-bottom: 1px solid var(--mist); }
  th { background: var(--haze); color: var(--navy); }
  kbd { font: .9em/1 Tahoma, Verdana, sans-serif; background: #fff; border: 1px solid #aab4c6;
        border-bottom-width: 2px; border-radius: 3px; padding: .1em .35em; }
  .note { background: #fbeeeb; border-left: 4px solid var(--coral); padding: .6rem .9rem; }
  footer { padding: 1rem 1.5rem; color: #4a5368; font-size: .9rem; }
</style>
</head>
<body>
<header>
  <div>
    <h1>Orbelle</h1>
    <p>A month calendar on your desktop that remembers your appointments for you.</p>
  </div>
</header>
<nav aria-label="Contents">
  <ul>
    <li><a href="#calendar">The desktop calendar</a></li>
    <li><a href="#tray">The tray icon</a></li>
    <li><a href="#events">Events</a></li>
    <li><a href="#reminders">Reminders</a></li>
    <li><a href="#options">Options</a></li>
    <li><a href="#keys">Keys</a></li>
    <li><a href="#files">Your data</a></li>
  </ul>
</nav>
<main>
  <p>Orbelle keeps a small month calendar on your desktop, keeps a list of your
  events (appointments, birthdays, payments, calls and the like), and shows you
  each reminder that has come due when it starts. Everything else is one click
  away, on the icon in the notification area of the taskbar.</p>

  <h2 id="calendar">The desktop calendar</h2>
  <p>The calendar shows one month: a line with the full date at the top, the
  days of the week from Sunday to Saturday, and the days of the month in a grid.
  The day the calendar stands on is outlined.</p>
  <ul>
    <li>It lies on the desktop, below all other windows, so it never covers your work.
      Clicking it does not bring it to the front.</li>
    <li>To move it, press the mouse button anywhere on it and drag. Orbelle remembers
      the place and puts the calendar there again the next time it starts.</li>
    <li>To look at another month or year, use <strong>Goto</strong> in the tray menu;
      <strong>Today</strong> brings it back to the present day.</li>
    <li>Just after midnight the calendar moves on to the new day by itself.</li>
  </ul>

  <h2 id="tray">The tray icon</h2>
  <p>Orbelle has no button on the taskbar. Its icon in the notification area shows
  the day of the month as a little tear-off page, and its tip shows the full date.
  Click the icon with either mouse button to open the menu:</p>
  <table>
    <thead><tr><th scope="col">Menu item</th><th scope="col">What it does</th></tr></thead>
    <tbody>
      <tr><td>New Event</td><td>Opens the event editor for a new event.</td></tr>
      <tr><td>Show Main Window</td><td>Shows the event list.</td></tr>
      <tr><td>Today</td><td>Sets the calendar to today.</td></tr>
      <tr><td>Goto</td><td>Preview Year, Next Year, Preview Month and Next Month move the
        calendar one year or one month back or forward, keeping the day where the month
        allows it (from 31 January, Next Month shows 28 or 29 February).</td></tr>
      <tr><td>Options</td><td>Opens the options (see below).</td></tr>
      <tr><td>Home Page</td><td>Opens this page.</td></tr>
      <tr><td>About</td><td>Shows the version of Orbelle.</td></tr>
      <tr><td>Exit</td><td>Asks for confirmation, then closes Orbelle.</td></tr>
    </tbody>
  </table>

  <h2 id="events">Events</h2>
  <p>Choose <strong>Show Main Window</strong> to open the <strong>Event List</strong>:
  one row per event with its subject, start, next occurrence, reminder time, duration,
  type and priority. Closing or minimising the list only hides it; Orbelle keeps
  running.</p>
  <h3>Adding, changing and removing events</h3>
  <ul>
    <li><strong>New</strong> opens an empty event editor.</li>
    <li><strong>Modify</strong>, a double click on a row, or <kbd>Enter</kbd> opens the
      selected event.</li>
    <li><strong>Delete</strong> or <kbd>Del</kbd> removes the selected event after you
      confirm it.</li>
    <li><strong>Close</strong> hides the list.</li>
  </ul>
  <h3>The event editor</h3>
  <ul>
    <li><strong>Subject</strong> names the event; an event needs one. Next to it, pick the
      kind of event (Alarm, Anniversary, Appointment, Birthday and so on).</li>
    <li><strong>Start</strong> is the date and time of the event. <strong>Duration</strong>
      says how long it lasts, and <strong>Remind &hellip; Before</strong> how early you want
      to be reminded.</li>
    <li><strong>Priority</strong> runs from Highest to Lowest; <strong>Memo</strong> holds
      any notes, over as many lines as you like.</li>
    <li><strong>Sound</strong>: pick one of the sounds that come with Orbelle (Alarm, Beep,
      BigBen, Chimes, Clock, Cuckoo, Doorbl, Mac, Phone, Reville, Rooster) or
      <strong>Browse</strong> for a sound file of your own; <strong>Play</strong> lets you
      hear it. <strong>Preview</strong> shows how the reminder will look.</li>
    <li>Tick <strong>Recurrence</strong> for an event that comes back: every few days;
      every few weeks on the weekdays you tick; monthly on a day of the month or on, say,
      the second Tuesday; or yearly on a date or on, say, the last Friday of October.</li>
  </ul>

  <h2 id="reminders">Reminders</h2>
  <p>About a second after Orbelle starts, it looks through your events. For every
  event whose reminder has come due, a round reminder window shows the subject and the
  memo, one event at a time:</p>
  <ul>
    <li><strong>Accept</strong> marks the reminder as done; it is not shown again.</li>
    <li><strong>Close</strong> puts the reminder away for now; it is shown again the next
      time Orbelle starts.</li>
  </ul>
  <p class="note">Orbelle looks for due reminders when it starts. Let it start with
  Windows (see Options) so that you see them every day.</p>

  <h2 id="options">Options</h2>
  <ul>
    <li><strong>Run this Program startup</strong> starts Orbelle whenever you log on
      to Windows.</li>
    <li><strong>Show Tray Icon</strong> keeps your choice for the tray icon.</li>
    <li><strong>transparency</strong>: move the slider to let the desktop show through the
      calendar, from 0&nbsp;% (solid) upwards. The calendar follows the slider at once and
      never fades out completely.</li>
  </ul>
  <p><strong>OK</strong> keeps your choices; <strong>Cancel</strong> closes the options
  without storing anything.</p>

  <h2 id="keys">Keys in the event list</h2>
  <table>
    <thead><tr><th scope="col">Keys</th><th scope="col">Action</th></tr></thead>
    <tbody>
      <tr><td><kbd>Ctrl</kbd>+<kbd>N</kbd></td><td>New event</td></tr>
      <tr><td><kbd>Alt</kbd>+<kbd>Enter</kbd> or <kbd>Enter</kbd></td><td>Modify the selected event</td></tr>
      <tr><td><kbd>Del</kbd></td><td>Delete the selected event</td></tr>
    </tbody>
  </table>

  <h2 id="files">Your data</h2>
  <p>Orbelle keeps everything in its own folder: your events in
  <code>db\TODOLIST.DB</code>, and the places of its windows, the widths of the list's
  columns and your options in <code>Pellmar.ini</code>. To move Orbelle to another
  computer, copy the whole folder. To start afresh, close Orbelle and delete these two
  files.</p>
</main>
<footer>
  <p>Orbelle Version 2.01. Copyright &copy; 2026 the Orbelle authors.</p>
</footer>
</body>
</html>
HTML

# Each output exists, has the size the program draws it at, and is in the
# form the program reads.
fail() { echo "make-assets: $*" >&2; exit 1; }

expect_picture() {  # file, WxH, channels (srgba for alpha, srgb for BMPs)
  local got
  [ -s "$1" ] || fail "missing $1"
  got=$("$identify" -format '%wx%h %[channels]' "$1") || fail "unreadable $1"
  [ "$got" = "$2 $3" ] || fail "$1 is $got, expected $2 $3"
  case "$1" in
    *.bmp)  # 24 bits per pixel, BI_RGB: no alpha for GDI to misread
      [ "$(od -An -tu2 -j28 -N2 "$1" | tr -d ' ')" = 24 ] || fail "$1 is not 24-bit"
      [ "$(od -An -tu4 -j30 -N4 "$1" | tr -d ' ')" = 0 ] || fail "$1 is not BI_RGB" ;;
  esac
}

skins=$out/dist/Skins
expect_picture "$skins/w/Windows 2004.png" 296x226 srgba
expect_picture "$skins/Default/Weekdays.png" 140x12 srgba
expect_picture "$skins/Default/Numbers Large1 Black.png" 10x100 srgba
expect_picture "$skins/Default/Numbers Large Ex Blue.png" 15x210 srgba
expect_picture "$skins/Default/today.png" 24x24 srgba
expect_picture "$out/dist/pic/tutorial.bmp" 32x32 srgb
expect_picture "$out/res/popup.bmp" 301x294 srgb
for tool in new modify delete find close; do
  expect_picture "$out/res/toolbar_$tool.bmp" 26x20 srgb
done

for name in Alarm Beep BigBen Chimes Clock Cuckoo Doorbl Mac Phone Reville Rooster; do
  wav=$out/dist/sounds/$name.wav
  [ -s "$wav" ] || fail "missing $wav"
  [ "$(soxi -r "$wav") $(soxi -b "$wav") $(soxi -c "$wav")" = "22050 16 1" ] ||
    fail "$wav is not 22050 Hz 16-bit mono"
  awk -v d="$(soxi -D "$wav")" 'BEGIN { exit !(d >= 0.5 && d <= 3.0) }' ||
    fail "$wav lasts $(soxi -D "$wav") s"
done
[ -s "$out/dist/help/index.html" ] || fail "missing help page"
