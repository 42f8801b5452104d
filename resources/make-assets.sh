#!/usr/bin/env bash
# Makes every picture, sound and the help page Orbelle ships.
#
#   OUTDIR/dist/...  files installed beside Orbelle.exe (skins, tray day
#                    picture, sounds, help/index.html)
#   OUTDIR/res/...   pictures compiled into the program: popup.bmp, the
#                    five toolbar_*.bmp (mask colour magenta, 255 0 255) and
#                    orbelle.ico, the program's icon
#   OUTDIR/setup/... the picture on the setup program's first and last page
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
python3 -B "$here/make_icon.py" "$out/res/orbelle.ico" &
icon=$!
status=0
wait "$pictures" || status=1
wait "$sounds" || status=1
wait "$icon" || status=1
[ "$status" = 0 ] || { echo "make-assets: drawing or synthesis failed" >&2; exit 1; }

mkdir -p "$out/dist/help"
# Taken from the screen by the Windows tests (DeskEventsTest.HelpPicture...).
cp "$here/help/desk-events.png" "$out/dist/help/desk-events.png"
# The same for the sync window (SyncWindowTest.HelpPicture...).
cp "$here/help/calendar-sync.png" "$out/dist/help/calendar-sync.png"
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
    <li><a href="#install">Installing</a></li>
    <li><a href="#calendar">The desktop calendar</a></li>
    <li><a href="#desk-events">Events on the calendar</a></li>
    <li><a href="#tray">The tray icon</a></li>
    <li><a href="#events">Events</a></li>
    <li><a href="#repeat">Repeating events</a></li>
    <li><a href="#search">Searching</a></li>
    <li><a href="#reminders">Reminders</a></li>
    <li><a href="#remind-at-time">Reminders at the alarm time</a></li>
    <li><a href="#options">Options</a></li>
    <li><a href="#keys">Keys</a></li>
    <li><a href="#files">Your data</a></li>
    <li><a href="#backup">Backing up</a></li>
    <li><a href="#sync">Calendar sync</a></li>
  </ul>
</nav>
<main>
  <p>Orbelle keeps a small month calendar on your desktop, keeps a list of your
  events (appointments, birthdays, payments, calls and the like), and shows you
  each reminder that has come due when it starts. Everything else is one click
  away, on the icon in the notification area of the taskbar.</p>

  <h2 id="install">Installing and removing Orbelle</h2>
  <p>There are two setups of the same Orbelle. On 64-bit Windows (every Windows 11,
  and most Windows 10), take <strong>OrbelleSetup-x64.exe</strong>; on 32-bit
  Windows, take <strong>OrbelleSetup.exe</strong>, which also runs on 64-bit
  Windows. To find out which Windows you have, open Settings, System, About and
  read <q>System type</q>. The 64-bit setup does not start on 32-bit Windows.
  Either setup installs into the same folder and keeps the other's events and
  settings, so you can change from one to the other by running it.</p>
  <p>The setup installs Orbelle for you alone and needs no
  administrator rights. It puts Orbelle in
  <code>%LOCALAPPDATA%\Programs\Orbelle</code> unless you choose another folder,
  which must be one you can write to, as Orbelle keeps your events and settings
  there. It can add a Start-menu shortcut, a desktop shortcut and <q>Start Orbelle
  with Windows</q>, the same choice as <strong>Run this Program startup</strong> in
  the options, and it lists Orbelle in Windows' <q>Apps and features</q>, where you
  remove it again.</p>
  <ul>
    <li>To update, run a newer setup. It asks a running Orbelle to close (Orbelle
      saves as it closes), replaces the program files and keeps your events,
      <code>Pellmar.ini</code> and any skins or sounds you added.</li>
    <li>Removing Orbelle closes it the same way, removes what setup installed and
      asks whether to remove your events and settings too; unless you answer
      <strong>Yes</strong>, they stay in the folder for a later install.</li>
    <li>For an install without questions, run setup with <code>/S</code>; add
      <code>/D=</code> and a folder to choose the folder. The uninstaller takes
      <code>/S</code> too, and then keeps your events and settings.</li>
  </ul>
  <p>Setup does not write the all-users registry entry that tells the options where
  Orbelle is installed, as that needs administrator rights. Without it the options
  are kept in <code>Pellmar.ini</code> in Orbelle's own folder, which is where
  everything else is kept too.</p>

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

  <h2 id="desk-events">Events on the calendar</h2>
  <p>Two switches in the event list's <strong>Tools</strong> menu bring your events
  onto the desktop. Both are off until you tick them, and each takes effect at once.</p>
  <p><img src="desk-events.png" width="640" height="250"
     alt="The calendar with marked days beside the upcoming-events panel"></p>
  <ul>
    <li><strong>Show Events on the Calendar</strong> puts a small mark under the
      number of every day of the shown month that holds an event, a repeating
      event on each day it repeats, done ones too. A red mark means one of the
      day's events has the priority High or Highest. Rest the mouse on a marked
      day to see its events, earliest first: the time (or "all day"), the subject,
      and "(done)" for accepted ones. Double-click a day to make a new event on it,
      at the next full hour today or at 09:00 on another day.</li>
    <li><strong>Show Upcoming Events</strong> opens a small panel on the desktop
      that lists the events of today and the next six days, day by day. Today's
      events that are over are grey, important ones red. Drag it anywhere; Orbelle
      remembers its place.</li>
  </ul>
  <p>Both follow every change at once: a new, changed or deleted event, an
  import, a restored backup, another month shown, and the turn of the day.
  They are kept as <code>ShowEvents</code> and <code>ShowUpcoming</code> in the
  <code>[Calendar]</code> part of <code>Pellmar.ini</code>.</p>

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
    <li><strong>Find</strong> opens a form with a subject, dates, a type and an Accept box;
      it searches nothing: <strong>OK</strong> and <strong>Abort</strong> both just close
      it, and the list stays as it was. To search, use <strong>Search Events</strong>
      (<a href="#search">below</a>).</li>
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
    <li>Tick <strong>Accept</strong> for an event you do not want to be reminded of.</li>
    <li><strong>OK</strong> saves the event; <strong>Cancel</strong> leaves it as it was.</li>
  </ul>

  <h2 id="repeat">Repeating events and the reminder lead</h2>
  <p>When you press <strong>OK</strong> in the event editor, Orbelle works out two
  moments from what the editor shows and stores them with the event:</p>
  <ul>
    <li>The <strong>next occurrence</strong> (the list's <strong>Reminder Time</strong>
      column), from the start and the repeat rule. The rule that is selected counts even
      when the Recurrence box is not ticked; a new event starts with the weekly rule.
      <ul>
        <li><strong>Daily</strong>, every <var>N</var> days: the start plus <var>N</var> days,
          at the start's time.</li>
        <li><strong>Weekly</strong>, every <var>N</var> weeks: the first ticked weekday on or
          after the start's weekday, <var>N</var> weeks on, at the start's time. With no
          weekday ticked, simply <var>N</var> weeks after the start.</li>
        <li><strong>Monthly</strong>: day <var>D</var>, or the first, second, third,
          fourth or last chosen weekday, of the month that lies the given number of months
          after the start's month (0 is the start's own month).</li>
        <li><strong>Yearly</strong>: the chosen day of the chosen month, or the first,
          second, third or last chosen weekday of that month, in the start's year.</li>
      </ul>
      A day that the month does not have (30 February, say) gives no date, and such an
      event is not announced.</li>
    <li>The <strong>alarm time</strong> (the list's <strong>Next Occurrence</strong>
      column): the start minus the <strong>Remind &hellip; Before</strong> lead, such as
      <q>30 minutes</q>, <q>1 hour</q>, <q>2 days</q> or <q>1 week</q>. With a start of
      10 March at 09:30, <q>30 minutes</q> gives 09:00 and <q>2 days</q> gives 8 March
      at 09:30. The Duration and Remind boxes tidy what you type into a count and a unit;
      a text they cannot read goes back to the first item of their list.</li>
  </ul>
  <p>Both are worked out only when you save. Orbelle does not move an event on to its
  following occurrence by itself: to be reminded of the next round, open the event,
  untick Accept if need be, and press OK again.</p>

  <h2 id="search">Searching your events</h2>
  <p>In the event list, choose <strong>Tools &gt; Search Events...</strong> or press
  <kbd>Ctrl</kbd>+<kbd>F</kbd>. Type a few words: the results follow as you type. Each
  word may be part of a longer word and the words may come in any order; capitals and
  accents do not matter (<kbd>cafe</kbd> finds &ldquo;Caf&eacute;&rdquo;). Orbelle looks
  in the subject, the memo, the type, the priority and the name of the sound.</p>
  <ul>
    <li><strong>From</strong> and <strong>To</strong> (tick the box of each to use it)
      keep the events that happen in those days: a weekly event is found when any of its
      weeks falls inside. Either may stay empty.</li>
    <li>The type list keeps one kind of event; <strong>Include done events</strong> adds
      the events you have accepted.</li>
    <li>The results show the next occurrence (or, with dates, the first one inside them),
      the subject with the words you typed marked, the type, the priority and how the
      event repeats. Click a column title to sort by it, again to reverse.</li>
    <li>The line at the bottom counts the events found and, with dates, their
      occurrences.</li>
    <li><kbd>Enter</kbd> or a double click opens the event in the editor, as
      <strong>Modify</strong> does (Orbelle beeps instead while another editor or a
      reminder is open); <kbd>Del</kbd> deletes it after the same question as in the list;
      <kbd>Esc</kbd> closes the window.</li>
  </ul>
  <p>The results change with every change of your events, wherever it was made. The
  window keeps its place and size in <code>Pellmar.ini</code>, section
  <code>[Search]</code>.</p>

  <h2 id="reminders">Reminders</h2>
  <p>About a second after Orbelle starts, it looks through your events once. Every
  event that is not yet accepted and whose next occurrence falls on today's date or
  earlier is announced: a round reminder window shows its subject and memo, one event at
  a time, the next one after you close the window before it:</p>
  <ul>
    <li><strong>Accept</strong> marks the reminder as done; it is not shown again.</li>
    <li><strong>Close</strong> puts the reminder away for now; it is shown again the next
      time Orbelle starts.</li>
  </ul>
  <p class="note">Orbelle looks for due reminders only when it starts, not while it
  runs. Let it start with Windows (see Options) so that you see them every day.</p>

  <h2 id="remind-at-time">Reminders at the alarm time</h2>
  <p>If you would rather be reminded when an alarm falls due, open the event list and
  tick <strong>Tools &gt; Remind at the Alarm Time</strong>. From then on Orbelle does
  not look through your events at start with a window for each; instead it keeps
  watch while it runs, and at each event's alarm time (its start less the reminder
  lead; for a repeating event, every occurrence) a <strong>Reminders</strong> window
  appears in the bottom right corner. It stays on top without taking the keyboard from
  what you are typing in, and plays the event's sound once.</p>
  <ul>
    <li>Each due event has one row: its subject, its alarm time and how late it is
      (<q>now</q>, <q>5 minutes ago</q>). Alarms that fell due while Orbelle was not
      running, or while the computer slept, show at the next start or wake-up marked
      <q>missed</q>, all in the same window.</li>
    <li><strong>Dismiss</strong> (or the Del key) puts the selected reminder away: an
      event that does not repeat is marked accepted, as Accept does; a repeating event
      reminds you again at its next occurrence. <strong>Dismiss All</strong> does so for
      every row. When you change a repeating event's start, recurrence or reminder
      lead, its reminders start afresh at its new times from then on; those already
      past do not come back.</li>
    <li><strong>Snooze</strong> puts the selected reminder away for the length chosen
      beside it (5 minutes to 2 hours, or Tomorrow at the same time); it comes back
      once at the end, also if Orbelle was restarted in between. Minutes and hours are
      counted as they pass, whatever happens to the computer's clock meanwhile. The
      length you chose last is chosen for you next time.</li>
    <li>A reminder still in the window when Orbelle ends is there again at the next
      start, as it was, without sounding again, also when the clock now reads before
      its alarm (in the hour that comes twice when summer time ends, or after the
      clock was set back).</li>
    <li><strong>Open</strong> opens the event in the editor. Enter does nothing here, so
      that a stray keystroke never dismisses a reminder; Esc hides the window, which
      comes back at the next alarm or start.</li>
  </ul>
  <p>Untick the item to go back to the reminders at start. The choice is kept in
  <code>Pellmar.ini</code>, section <code>[Reminders]</code>.</p>

  <h2 id="options">Options</h2>
  <ul>
    <li><strong>Run this Program startup</strong> starts Orbelle whenever you log on
      to Windows.</li>
    <li><strong>Show Tray Icon</strong> keeps your choice for the tray icon.</li>
    <li><strong>transparency</strong>: move the slider to let the desktop show through the
      calendar, from 0&nbsp;% (solid) upwards. The calendar follows the slider at once and
      never fades out completely.</li>
  </ul>
  <p>Move the slider with the mouse or, once it has the focus, with the arrow keys;
  <kbd>Tab</kbd> moves between the choices.</p>
  <p><strong>OK</strong> stores your choices in <code>Pellmar.ini</code> and sets (or
  removes) the start with Windows. <strong>Cancel</strong> closes the options without
  storing anything; the calendar keeps the transparency you last chose on the slider until
  Orbelle starts again, and then returns to the stored one.</p>
  <p>If Windows does not let Orbelle register itself for all users, it registers itself
  for you alone. If <code>Pellmar.ini</code> cannot be written, Orbelle says so and the
  options stay open.</p>

  <h2 id="keys">Keys in the event list</h2>
  <table>
    <thead><tr><th scope="col">Keys</th><th scope="col">Action</th></tr></thead>
    <tbody>
      <tr><td><kbd>Ctrl</kbd>+<kbd>N</kbd></td><td>New event</td></tr>
      <tr><td><kbd>Alt</kbd>+<kbd>Enter</kbd> or <kbd>Enter</kbd></td><td>Modify the selected event</td></tr>
      <tr><td><kbd>Del</kbd></td><td>Delete the selected event</td></tr>
      <tr><td><kbd>Ctrl</kbd>+<kbd>F</kbd></td><td>Search events</td></tr>
    </tbody>
  </table>

  <h2 id="files">Your data</h2>
  <p>Orbelle keeps everything in its own folder: your events in
  <code>db\TODOLIST.DB</code>, and the places of its windows, the widths of the list's
  columns and your options in <code>Pellmar.ini</code>. To move Orbelle to another
  computer, copy the whole folder. To start afresh, close Orbelle and delete these two
  files.</p>
  <p>The event file is an ordinary SQLite database: any SQLite tool can open it to read
  or export your events. Orbelle saves every change the moment you press OK or Accept,
  so nothing is lost if the computer stops suddenly.</p>

  <h2 id="icalendar">Other calendars: iCalendar and CSV files</h2>
  <p>The event list's <strong>Tools</strong> menu moves your events to and from other
  calendar programs (Thunderbird, Google Calendar, Outlook, Apple Calendar and the
  like), which all read and write iCalendar files (<code>.ics</code>).</p>
  <ul>
    <li><strong>Export iCalendar File...</strong> writes every event into one file: its
      subject, memo, type (as a category), priority, start, duration, repeat rule and,
      for an event not yet accepted, its reminder lead. Times carry your time zone, so
      they mean the same moment in every calendar. Orbelle's own fields (the sound, the
      accepted flag, the lead and duration as you typed them) travel along, so a file
      imported back into Orbelle restores every event exactly; other programs ignore
      them.</li>
    <li><strong>Import iCalendar File...</strong> adds the events of a file. An event
      imported before (the same event identifier) is updated, not doubled. Events from
      other programs are stored as the editor would store them; a repeating event shows
      its next occurrence, and an event whose last occurrence is past is stored as
      accepted, so old calendars do not fill the start-up reminders.</li>
    <li><strong>Export CSV File...</strong> writes a table for spreadsheet programs: the
      list's columns plus memo, sound and the repeat rule in words. A cell that begins
      with =, +, -, @, a tab or a carriage return is written with a leading apostrophe,
      so that a spreadsheet shows it as text and never runs it as a formula.</li>
  </ul>
  <p>A repeat that Orbelle cannot hold (a rule with a count or an end date, several days
  of the month, hours, excluded or extra dates) is simplified: the event is imported
  with its first occurrence and no repeat. The summary shown after an import says how
  many events were added and updated, and names each simplified or skipped event with
  the reason. A file that is not iCalendar, is cut short or breaks its grammar is
  refused whole, with the line where it went wrong: nothing of it is stored. Files over
  50 MB or with more than 100,000 events are refused too.</p>
  <p>Orbelle keeps every time in your own time zone. A repeating event from another time
  zone keeps the time its first occurrence has here; where that zone changes to and from
  summer time on other days than yours, some occurrences fall an hour earlier or later
  here, and the summary says so with their number, for example <q>its time follows
  America/New_York; 4 occurrences a year differ here by an hour</q>. The summary also
  notes an event whose time zone the file describes in a way Orbelle cannot follow (a
  zone it knows by name, also by today's names such as Europe/Kyiv, is then read with
  its known rules), a negative duration or an end before the start (stored as 0
  minutes), and an event that gives both an end and a duration (the duration is
  used).</p>
  <p>Double-clicking an <code>.ics</code> file, once Orbelle is chosen to open them,
  imports it the same way. Scripts can use the command line; these forms show no window,
  work while Orbelle runs (its list shows imported events at once), and end with exit
  code 0 on success, 1 when the file is refused (nothing stored) and 2 when the event
  table cannot be opened, with the reason on standard error:</p>
  <pre>Orbelle.exe /import FILE.ics
Orbelle.exe /export FILE.ics
Orbelle.exe /export-csv FILE.csv</pre>

  <h2 id="sync">Calendar sync</h2>
  <p>If you keep your calendar on a CalDAV server (Nextcloud, Radicale, Fastmail, iCloud
  and many hosted ones), Orbelle keeps its events and one calendar of that server the
  same, both ways: what you add, change or delete here appears there, and what your
  phone or another computer changes there appears here.</p>
  <p><img src="calendar-sync.png" width="466" height="465"
    alt="The Calendar Sync window: server address, user name, password, Find Calendars,
    the chosen calendar, Sync every 15 minutes, Sync Now and the result of the last sync"></p>
  <ol>
    <li>In the event list choose <strong>Tools &gt; Calendar Sync...</strong>.</li>
    <li>Type the server's address (the one your provider gives for CalDAV, or just the
      server's own address), your user name and your password, and press
      <strong>Find Calendars</strong>. Choose the calendar to sync.</li>
    <li>Choose how often: <strong>Sync every</strong> 5, 15 (the first choice) or 60
      minutes, or Off. Orbelle also syncs shortly after it starts, about ten seconds
      after you change an event, and whenever you press <strong>Sync Now</strong>.</li>
  </ol>
  <p>The password is kept by Windows' Credential Manager, never in Orbelle's files; the
  address, user name and calendar are kept in <code>Pellmar.ini</code>, section
  <code>[Sync]</code>.</p>
  <ul>
    <li><strong>Nothing is lost.</strong> When an event was changed both here and on the
      server since the last sync, the change made last wins, and the other version is
      kept whole: it is listed in the window, and <strong>Restore This Version</strong>
      brings it back (it then goes to the server with the next sync). An event deleted
      on one side but changed on the other comes back.</li>
    <li><strong>No mass deletion by mistake.</strong> A sync that would delete every event
      of one side, or more than half of them and more than 20, stops before deleting
      anything and asks you first.</li>
    <li><strong>One bad item never blocks the rest.</strong> An item the server refuses,
      or one Orbelle cannot read, is set aside and listed with the reason; everything
      else syncs.</li>
    <li>Events from other programs that Orbelle cannot show in full (a repeat that ends
      after a number of times or on a date, skipped or moved occurrences) are shown and
      reminded as an import shows them, and stay exactly as they were on the server:
      when you change one here, only what Orbelle knows of it (subject, memo, type,
      priority, start, duration, reminder) is written into the server's version. The
      first time you open such an event, the editor says what it cannot show.</li>
    <li>A reminder you dismiss here is marked acknowledged on the server, so your phone
      stops ringing for it, and one acknowledged there does not ring here. For a repeating
      event this holds for each occurrence: its later reminders still ring everywhere.</li>
  </ul>
  <p>For scripts: <code>Orbelle.exe /sync-set URL USER</code> reads the password from its
  standard input, finds the calendar and stores the settings; <code>Orbelle.exe /sync</code>
  runs one sync and prints what it did. Exit code 0: done; 1: failed (the reason on
  standard error); 2: wrong arguments; 3: stopped by the deletion guard (run
  <code>Orbelle.exe /sync /confirm-deletions</code> to go on).</p>

  <h2 id="backup">Backing up</h2>
  <ol>
    <li>Close Orbelle: <strong>Exit</strong> in the tray menu. It writes
      <code>Pellmar.ini</code> as it closes.</li>
    <li>Copy <code>db\TODOLIST.DB</code> and <code>Pellmar.ini</code> from Orbelle's folder
      to a safe place, such as a USB stick or another disk. If a file named
      <code>TODOLIST.DB-journal</code> lies beside the event file, copy it too: it holds
      the end of an interrupted save.</li>
    <li>To restore, close Orbelle, copy the files back to the same places, and start it
      again.</li>
  </ol>

  <h2 id="backups">Automatic backups and restoring</h2>
  <p>Orbelle backs up your events by itself: once at start, after the list is filled,
  and then once a day while it runs, whenever the events changed since the last backup.
  Each backup is a copy of the event file in <code>db\backups</code> in Orbelle's folder,
  named by the local date and time it was made and its number, such as
  <code>TODOLIST-20261210-140512-7.DB</code> for the seventh. The number counts the
  backups in the order they were made, and that is their order for Orbelle even when
  the computer's clock was wrong for a while, set back, or repeated an hour when summer
  time ended (backups named by older versions, without a number, count as made before
  every numbered one). A backup is checked before it takes its name, so every file
  there is a sound copy. Orbelle keeps the 10 backups made last and also the last one
  of each of the last 8 weeks; older ones are deleted only after a new backup is in
  place. If a backup fails (a full disk, a folder that cannot be
  written), Orbelle tries again later and tells you once, in a balloon over the tray
  icon.</p>
  <ul>
    <li><strong>Tools &gt; Back Up Now</strong> in the event list makes a backup at once.</li>
    <li><strong>Tools &gt; Restore from Backup...</strong> lists the backups, newest first,
      with their date and time, number of events and size. Choose one and press
      <strong>Restore</strong>: after you confirm, Orbelle first saves the events it holds
      as one more backup, then replaces them with the backup's events and refills the
      list and the reminders. Close the event editor and any reminder first. When the
      event file cannot be replaced (another program has it open), Orbelle says so and
      changes nothing: the events and every backup stay as they were.</li>
    <li>If the event file is damaged when Orbelle starts, it shows its usual
      "Connect Error" and then offers the newest sound backup:
      <em>The event table cannot be read. Restore the events from the backup of ...?</em>
      <strong>Yes</strong> moves the damaged file into <code>db\damaged</code> (it is never
      deleted) and restores the backup. <strong>No</strong> leaves the file as it is and
      the list empty. A file that another program holds locked is not damage: Orbelle
      never offers a backup for it and never moves it.</li>
    <li><code>Orbelle.exe /backup</code> makes one backup and ends, without opening any
      window, even while Orbelle runs: exit code 0 on success, otherwise a message on
      standard error and a non-zero exit code. Use it from a scheduled task.</li>
  </ul>
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
expect_picture "$skins/w/Windows 2004.png" 360x226 srgba
expect_picture "$skins/Default/Weekdays.png" 140x12 srgba
expect_picture "$skins/Default/Numbers Large1 Black.png" 10x100 srgba
expect_picture "$skins/Default/Numbers Large Ex Blue.png" 15x210 srgba
expect_picture "$skins/Default/today.png" 24x24 srgba
expect_picture "$skins/Default/Event Marks.png" 16x4 srgba
expect_picture "$out/dist/pic/tutorial.bmp" 32x32 srgb
expect_picture "$out/res/popup.bmp" 301x294 srgb
for tool in new modify delete find close; do
  expect_picture "$out/res/toolbar_$tool.bmp" 26x20 srgb
done
expect_picture "$out/setup/wizard.bmp" 164x314 srgb
# The icon: one picture for each size Windows asks for, the largest as PNG.
ico=$out/res/orbelle.ico
[ -s "$ico" ] || fail "missing $ico"
[ "$("$identify" -format '%wx%h %m,' "$ico")" = "16x16 ICO,32x32 ICO,48x48 ICO,256x256 PNG," ] ||
  fail "$ico does not hold 16, 32, 48 and 256 pixel pictures"

for name in Alarm Beep BigBen Chimes Clock Cuckoo Doorbl Mac Phone Reville Rooster; do
  wav=$out/dist/sounds/$name.wav
  [ -s "$wav" ] || fail "missing $wav"
  [ "$(soxi -r "$wav") $(soxi -b "$wav") $(soxi -c "$wav")" = "22050 16 1" ] ||
    fail "$wav is not 22050 Hz 16-bit mono"
  awk -v d="$(soxi -D "$wav")" 'BEGIN { exit !(d >= 0.5 && d <= 3.0) }' ||
    fail "$wav lasts $(soxi -D "$wav") s"
done
[ -s "$out/dist/help/index.html" ] || fail "missing help page"
