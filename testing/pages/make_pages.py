#!/usr/bin/env python3
"""Writes the sample status pages into this directory, byte for byte the same on every run.

normal.html is a realistic statistics page (about 300 KB, mostly markup) with the state block and the
player-count block near its end, laid out with the exact indentation the program's markers expect.
The state_*.html pages are the same page with another state word and count; other_layout.html is a
redesigned page whose values sit in a different markup (the program finds nothing in it);
compact.html is a short page with the same two blocks, for a slow server; not_found.html is an
error page. pages.json lists every page with the state word and count it shows.

Run: python3 testing/pages/make_pages.py
"""
import json
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

# Enough server rows to bring a page to about 300 KB, like the real one.
SERVER_ROWS = 910
# Every page draws its figures from the same seed, so the files never change between runs.
SEED = 20170321

STATE_PAGES = [
    # file name, state word, player count as the page writes it
    ("normal.html", "正常", "1,234,567"),
    ("state_laggy.html", "有些卡", "987,654"),
    ("state_abnormal.html", "异常", "45,678"),
    ("state_shutdown.html", "停机", "1,024"),
    ("state_unavailable.html", "不可用", "3,210"),
    ("state_unknown.html", "维护中", "12,345"),
]

REGIONS = ["亞洲", "歐洲", "北美", "南美", "大洋洲", "韓國/日本", "東南亞", "俄羅斯", "中東", "KRJP"]
MODES = ["單排 TPP", "雙排 TPP", "四排 TPP", "單排 FPP", "雙排 FPP", "四排 FPP", "電競模式"]


def state_block(state_word):
    # The lines around the state word keep the page's exact indentation: 60, 56, 24 and 20 spaces.
    return (
        '                    <div class="server-state">\n'
        '                        <a href="/statistics/server">\n'
        + " " * 60 + "<strong>服务器:</strong>\n"
        + " " * 56 + "<span>" + state_word + "</span>\n"
        + " " * 24 + "</a>\n"
        + " " * 20 + "</div>\n"
    )


def count_block(count):
    # Traditional 數 in the count line, as the site writes it.
    return (
        '            <div id="alert">\n'
        "                <p>\n"
        + " " * 20 + "\n"
        + " " * 20 + "目前PUBG玩家人數: " + count
        + '名 <a href="/statistics/playing"><em>查看詳細在線統計</em></a>\n'
        "                </p>\n"
        "            </div>\n"
    )


def head(title):
    return (
        "<!DOCTYPE html>\n"
        '<html lang="zh-Hant">\n'
        "<head>\n"
        '    <meta charset="utf-8">\n'
        '    <meta name="viewport" content="width=device-width, initial-scale=1">\n'
        "    <title>" + title + "</title>\n"
        '    <link rel="stylesheet" href="/static/css/site.css?v=3.2.1">\n'
        '    <script src="/static/js/vendor.js?v=3.2.1" defer></script>\n'
        "</head>\n"
    )


def navigation():
    # Short links to the server page: only the full block with its indentation counts as the marker.
    return (
        '<body class="statistics">\n'
        '    <nav class="navbar">\n'
        '        <a class="brand" href="/">PUBG 統計</a>\n'
        '        <ul class="menu">\n'
        '            <li><a href="/statistics/server">服务器</a></li>\n'
        '            <li><a href="/statistics/playing">在線玩家</a></li>\n'
        '            <li><a href="/statistics/regions">地區</a></li>\n'
        '            <li><a href="/news">公告</a></li>\n'
        "        </ul>\n"
        "    </nav>\n"
    )


def server_table(rng):
    lines = [
        '    <main class="container">\n',
        '        <section class="servers">\n',
        "            <h2>各地區伺服器延遲與在線人數</h2>\n",
        '            <table class="table table-striped" id="server-table">\n',
        "                <thead><tr><th>#</th><th>地區</th><th>模式</th><th>延遲 (ms)</th>"
        "<th>在線</th><th>排隊</th><th>狀態</th></tr></thead>\n",
        "                <tbody>\n",
    ]
    for row in range(1, SERVER_ROWS + 1):
        region = REGIONS[rng.randrange(len(REGIONS))]
        mode = MODES[rng.randrange(len(MODES))]
        latency = rng.randrange(20, 320)
        online = rng.randrange(1000, 250000)
        queue = rng.randrange(0, 900)
        ok = latency < 250
        lines.append(
            '                    <tr data-row="%d" class="%s">'
            '<td class="idx">%d</td><td class="region">%s</td><td class="mode">%s</td>'
            '<td class="latency"><span class="badge badge-%s">%d</span></td>'
            '<td class="online">%s</td><td class="queue">%d</td>'
            '<td class="state"><i class="icon icon-%s"></i>%s</td></tr>\n'
            % (row, "ok" if ok else "warn", row, region, mode,
               "success" if ok else "warning", latency, format(online, ","), queue,
               "check" if ok else "alert", "順暢" if ok else "擁擠")
        )
    lines += ["                </tbody>\n", "            </table>\n", "        </section>\n"]
    return "".join(lines)


def footer():
    return (
        '        <footer class="footer">\n'
        "            <p>資料每 30 秒更新一次，僅供參考。</p>\n"
        '            <p class="copyright">&copy; 2017-2024 statistics</p>\n'
        "        </footer>\n"
        "    </main>\n"
        '    <script src="/static/js/statistics.js?v=3.2.1"></script>\n'
        "</body>\n"
        "</html>\n"
    )


def status_page(state_word, count):
    rng = random.Random(SEED)
    return (
        head("PUBG 伺服器狀態 - 即時統計")
        + navigation()
        + server_table(rng)
        + '        <section class="summary">\n'
        + state_block(state_word)
        + count_block(count)
        + "        </section>\n"
        + footer()
    )


def compact_page(state_word, count):
    return (
        head("PUBG 伺服器狀態")
        + '<body>\n    <main class="container">\n        <section class="summary">\n'
        + state_block(state_word)
        + count_block(count)
        + "        </section>\n    </main>\n</body>\n</html>\n"
    )


def other_layout_page():
    # A redesign: same words, different markup and indentation, CR LF line ends.
    rng = random.Random(SEED)
    body = (
        head("PUBG 伺服器狀態 (新版)")
        + navigation()
        + server_table(rng)
        + '<section class="summary"><div class="server-state">'
        '<a href="/statistics/server"><strong>服务器:</strong> <span>正常</span></a></div>\n'
        '<div id="alert"><p>目前PUBG玩家人數: 1,234,567名 '
        '<a href="/statistics/playing"><em>查看詳細在線統計</em></a></p></div></section>\n'
        + footer()
    )
    return body.replace("\n", "\r\n")


def not_found_page():
    return head("404 找不到頁面") + "<body>\n    <h1>404</h1>\n    <p>找不到您要的頁面。</p>\n</body>\n</html>\n"


def write(name, text):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("utf-8"))


def main():
    catalogue = []
    for name, word, count in STATE_PAGES:
        write(name, status_page(word, count))
        catalogue.append({"file": name, "state": word, "count": count})
    write("compact.html", compact_page("正常", "1,234,567"))
    catalogue.append({"file": "compact.html", "state": "正常", "count": "1,234,567"})
    write("other_layout.html", other_layout_page())
    catalogue.append({"file": "other_layout.html", "state": "", "count": "0"})
    write("not_found.html", not_found_page())
    catalogue.append({"file": "not_found.html", "state": "", "count": "0"})
    with open(os.path.join(HERE, "pages.json"), "w", encoding="utf-8", newline="\n") as f:
        json.dump(catalogue, f, ensure_ascii=False, indent=2)
        f.write("\n")


if __name__ == "__main__":
    main()
