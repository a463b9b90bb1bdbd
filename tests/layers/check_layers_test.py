#!/usr/bin/env python3
"""The include-direction check passes on the repository and fails on a library that includes a
header of a library above it, or on a room of shell/ that includes one of a room above it or beside it."""
import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts', 'check-layers')


def run(root):
    return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'w') as out:
        out.write(text)


def main():
    repository = run(os.path.join(os.path.dirname(CHECK), '..'))
    if repository.returncode != 0:
        print('the repository breaks the library order:\n' + repository.stdout)
        return 1
    with tempfile.TemporaryDirectory() as root:
        write(root, 'irc/good.cpp', '#include "core/window_list.h"\n#include "common/xstring.h"\n')
        write(root, 'views/fine.h', '#include "irc/server_connection.h"\n')
        write(root, 'update/page.cpp', '#include "ui/ax_host.h"\n#include "xml/xml_profile.h"\n')
        write(root, 'shell/startup.cpp', '#include "update/update_check.h"\n')
        write(root, 'shell/chats/chat_window.cpp', '#include "shell/menus/menu_command_table.h"\n')
        if run(root).returncode != 0:
            print('downward includes were refused')
            return 1
        write(root, 'irc/bad.cpp', '#include "core/window_list.h"\n#include "shell/window_tabs.h"\n')
        write(root, 'update/bad.cpp', '#include "shell/frame_window.h"\n')
        write(root, 'shell/menus/bad.cpp', '#include "shell/windows/window_state.h"\n#include "shell/chats/chat_window.h"\n')
        write(root, 'shell/setup/bad.h', '#include "shell/windows/active_window.h"\n')
        wrong = run(root)
        if wrong.returncode == 0 or 'irc/bad.cpp:2: includes shell/' not in wrong.stdout or \
                'update/bad.cpp:1: includes shell/' not in wrong.stdout or \
                'shell/menus/bad.cpp:2: includes shell/chats/' not in wrong.stdout or \
                'shell/menus/bad.cpp:1:' in wrong.stdout or 'shell/setup/bad.h:1: includes shell/windows/' not in wrong.stdout:
            print('an upward include passed:\n' + wrong.stdout)
            return 1
    print('check-layers: the repository passes; an upward include is caught')
    return 0


if __name__ == '__main__':
    sys.exit(main())
