#!/usr/bin/env python3
"""Writes a realistic calendar folder in vdirsyncer's layout: 4 accounts with 5 collections each,
one item a file, ten events (a tenth of them recurring with exceptions and moved occurrences) to each
task, around a given day; 5,500 files unless FILES is given.
Usage: generate-calendars.py ROOT [YYYY-MM-DD] [FILES]"""
import datetime
import os
import random
import shutil
import sys

root = sys.argv[1]
today = datetime.date.fromisoformat(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2] else datetime.date.today()
files = int(sys.argv[3]) if len(sys.argv) > 3 else 5500
task_count = files // 11
event_count = files - task_count
rng = random.Random(20260401)
shutil.rmtree(root, ignore_errors=True)

accounts = ["alex@example.org", "work-exchange", "google", "family"]
names = ["Ana", "Ben", "Chen", "Dana", "Emil", "Fatima", "Goran", "Hana", "Ivo", "Jun", "Kira", "Lars"]
titles = ["Standup", "Planning", "1:1", "Design review", "Customer call", "Lunch", "Retro", "Interview",
          "Dentist", "Gym", "Budget", "Offsite prep", "Coffee", "Sprint demo"]
zones = ["Europe/Berlin", "Europe/Berlin", "Europe/Berlin", "America/New_York", "UTC"]

collections = []
for a, account in enumerate(accounts):
    os.makedirs(os.path.join(root, account))
    with open(os.path.join(root, account, "displayname"), "w") as f:
        f.write(account.split("@")[0].title() + "\n")
    for c in range(5):
        path = os.path.join(root, account, f"cal{c}")
        os.makedirs(path)
        with open(os.path.join(path, "displayname"), "w") as f:
            f.write(f"Calendar {a}.{c}\n")
        collections.append(path)


def stamp(day, hour, minute):
    return f"{day:%Y%m%d}T{hour:02d}{minute:02d}00"


def write(path, lines):
    text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n" + "".join(l + "\r\n" for l in lines)
    with open(path, "w") as f:
        f.write(text + "END:VCALENDAR\r\n")


def people(n):
    chosen = rng.sample(names, n)
    lines = [f"ORGANIZER;CN={chosen[0]}:mailto:{chosen[0].lower()}@example.org"]
    for person in chosen:
        status = rng.choice(["ACCEPTED", "DECLINED", "TENTATIVE", "NEEDS-ACTION"])
        lines.append(f"ATTENDEE;CN={person};PARTSTAT={status};ROLE=REQ-PARTICIPANT:mailto:{person.lower()}@example.org")
    lines.append("ATTENDEE;CUTYPE=ROOM;CN=Room 4;PARTSTAT=ACCEPTED:mailto:room4@example.org")
    return lines


def event(uid, start_day, hour, minute, minutes, zone, extra):
    end = datetime.datetime.combine(start_day, datetime.time(hour, minute)) + datetime.timedelta(minutes=minutes)
    lines = ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20260101T000000Z",
             f"DTSTART;TZID={zone}:{stamp(start_day, hour, minute)}",
             f"DTEND;TZID={zone}:{end:%Y%m%dT%H%M%S}", f"SUMMARY:{rng.choice(titles)}"]
    if rng.random() < 0.5:
        lines.append(f"LOCATION:Room {rng.randint(1, 30)} - https://example.zoom.us/j/{rng.randint(10**9, 10**10)}")
    if rng.random() < 0.6:
        lines.append("DESCRIPTION:Agenda:\\n- status\\n- next steps\\nhttps://meet.google.com/abc-defg-hij")
    if rng.random() < 0.7:
        lines += people(rng.randint(1, 6))
    return lines + extra + ["END:VEVENT"]


for i in range(event_count):
    folder = collections[i % len(collections)]
    zone = rng.choice(zones)
    hour, minute = rng.randint(7, 18), rng.choice([0, 15, 30, 45])
    uid = f"event-{i}@bench"
    if i % 10 == 0:
        # Started on a Tuesday, so that every rule below takes its first day; exceptions and moved
        # occurrences fall on days of the series.
        first = today - datetime.timedelta(days=rng.randint(30, 700))
        first -= datetime.timedelta(days=(first.weekday() - 1) % 7)
        rule = rng.choice(["FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR", "FREQ=WEEKLY", "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,TH",
                           "FREQ=MONTHLY;BYDAY=-1FR", "FREQ=DAILY;COUNT=400", "FREQ=MONTHLY;BYMONTHDAY=15"])
        skipped = [first + datetime.timedelta(days=28 * rng.randint(1, 25)) for _ in range(3)]
        extra = [f"RRULE:{rule}"] + [f"EXDATE;TZID={zone}:{stamp(d, hour, minute)}" for d in skipped]
        lines = event(uid, first, hour, minute, 30, zone, extra)
        moved = first + datetime.timedelta(days=14 * ((today - first).days // 14 + rng.randint(-1, 1)))
        lines += ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20260101T000000Z",
                  f"RECURRENCE-ID;TZID={zone}:{stamp(moved, hour, minute)}",
                  f"DTSTART;TZID={zone}:{stamp(moved, (hour + 2) % 24, minute)}",
                  f"DTEND;TZID={zone}:{stamp(moved, (hour + 3) % 24, minute)}",
                  "SUMMARY:Moved occurrence", "END:VEVENT"]
    elif rng.random() < 0.05:
        day = today + datetime.timedelta(days=rng.randint(-365, 365))
        lines = ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20260101T000000Z", f"DTSTART;VALUE=DATE:{day:%Y%m%d}",
                 f"DTEND;VALUE=DATE:{day + datetime.timedelta(days=1):%Y%m%d}", "SUMMARY:Holiday", "END:VEVENT"]
    else:
        day = today + datetime.timedelta(days=rng.randint(-365, 365))
        lines = event(uid, day, hour, minute, rng.choice([15, 30, 45, 60, 90]), zone, [])
    write(os.path.join(folder, f"{uid}.ics"), lines)

for i in range(task_count):
    folder = collections[(i * 7) % len(collections)]
    day = today + datetime.timedelta(days=rng.randint(-30, 30))
    due = f"DUE;VALUE=DATE:{day:%Y%m%d}" if i % 2 else f"DUE;TZID=Europe/Berlin:{stamp(day, rng.randint(8, 18), 0)}"
    status = "STATUS:COMPLETED" if i % 5 == 0 else "STATUS:NEEDS-ACTION"
    write(os.path.join(folder, f"task-{i}@bench.ics"),
          ["BEGIN:VTODO", f"UID:task-{i}@bench", "DTSTAMP:20260101T000000Z", f"SUMMARY:Task {i}", due, status,
           "END:VTODO"])
