#!/usr/bin/python3
"""mutter-input.py STEP...: pointer and keys through mutter's RemoteDesktop API, which reach the
shell's own dialogs as a user's would (X input reaches only Xwayland). Absolute positions go
through a screen cast of the monitor linked to the session.
Steps: move:X,Y  click:X,Y  down  up  key:Escape"""
import sys
import time

from gi.repository import Gio, GLib

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
RD, SC = 'org.gnome.Mutter.RemoteDesktop', 'org.gnome.Mutter.ScreenCast'


def call(dest, path, interface, method, args=None):
    return bus.call_sync(dest, path, interface, method, args, None, 0, 5000, None).unpack()


session = call(RD, '/org/gnome/Mutter/RemoteDesktop', RD, 'CreateSession')[0]
session_id = call(RD, session, 'org.freedesktop.DBus.Properties', 'Get',
                  GLib.Variant('(ss)', (RD + '.Session', 'SessionId')))[0]
cast = call(SC, '/org/gnome/Mutter/ScreenCast', SC, 'CreateSession',
            GLib.Variant('(a{sv})', ({'remote-desktop-session-id': GLib.Variant('s', session_id)},)))[0]
stream = call(SC, cast, SC + '.Session', 'RecordMonitor', GLib.Variant('(sa{sv})', ('', {})))[0]
call(RD, session, RD + '.Session', 'Start')
time.sleep(0.7)


def rd(method, signature, *args):
    call(RD, session, RD + '.Session', method, GLib.Variant(signature, args))


def key(keysym):
    rd('NotifyKeyboardKeysym', '(ub)', keysym, True)
    rd('NotifyKeyboardKeysym', '(ub)', keysym, False)


def button(down):
    rd('NotifyPointerButton', '(ib)', 0x110, down)  # BTN_LEFT
    time.sleep(0.1)


key(0xffe1)  # the first key after the start is lost: a Shift
time.sleep(0.2)
for step in sys.argv[1:]:
    kind, _, argument = step.partition(':')
    if kind in ('move', 'click'):
        x, y = map(float, argument.split(','))
        rd('NotifyPointerMotionAbsolute', '(sdd)', stream, x, y)
        time.sleep(0.2)
    if kind in ('down', 'click'):
        button(True)
    if kind in ('up', 'click'):
        button(False)
    if kind == 'key':
        key({'Escape': 0xff1b}[argument])
    time.sleep(0.3)
rd('Stop', '()')
