#!/usr/bin/python3
"""Prints the AT-SPI tree of the client's login window and checks that the controls carry the
names a screen reader announces. Exit 0 when every expected name is there."""
import sys
import time

import pyatspi

EXPECTED = ["用户名或UID", "密码", "保存账号信息", "自动登录", "登录", "注册帐号", "找回密码",
            "关闭", "最小化"]
# The status line reads what it says now; what it is stands in its description.
EXPECTED_DESCRIPTIONS = ["登录提示：登录过程的状态"]


def find_login_window(timeout):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None:
                continue
            for window in app:
                if window is not None and window.name == "Quorvel 登录":
                    return window
        time.sleep(0.5)
    return None


def dump(node, depth, names):
    try:
        role = node.getRoleName()
        name = node.name
        description = node.description
    except Exception as error:  # a control may go away while the tree is read
        print("  " * depth + f"<gone: {error}>")
        return
    names.add(name)
    names.add(description)
    line = "  " * depth + f"[{role}] {name!r}"
    if description:
        line += f" — {description!r}"
    print(line)
    for child in node:
        if child is not None:
            dump(child, depth + 1, names)


def main():
    window = find_login_window(float(sys.argv[1]) if len(sys.argv) > 1 else 20)
    if window is None:
        print("login window not found on the AT-SPI bus")
        return 1
    names = set()
    dump(window, 0, names)
    missing = [n for n in EXPECTED + EXPECTED_DESCRIPTIONS if n not in names]
    print("missing:", ", ".join(missing) if missing else "none")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
