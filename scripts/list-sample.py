#!/usr/bin/env python3
"""A small document for the item list's pictures, dated from the current
minute (UTC+9, hours 1 to 24): late, finished, due today and later lines.
Prints the JSON that `vqf build` reads."""
import datetime
import json
import sys

now = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(hours=9)


def at(delta_minutes):
    t = (now + datetime.timedelta(minutes=delta_minutes)).replace(second=0, microsecond=0)
    if t.hour == 0:  # the hour after midnight is hour 24 of the day before
        t -= datetime.timedelta(hours=1)
        return {"year": t.year, "month": t.month, "day": t.day, "hour": 24, "minute": t.minute}
    return {"year": t.year, "month": t.month, "day": t.day, "hour": t.hour, "minute": t.minute}


UNSET = {"year": 0, "month": 0, "day": 0, "hour": 0, "minute": 0}
# Minutes from now, a title, a kind, a location, a status, finished.
rows = [
    (-3 * 1440, "見積書の送付", "メール", "本社", "先方から催促あり。至急。", False),
    (-2 * 1440, "経費精算", "事務", "経理部", "領収書は提出済み。", True),
    (-1500, "議事録の配布", "メール", "", "ｶﾞｲﾄﾞﾗｲﾝに沿って修正する。", False),
    (-90, "週次ミーティング", "会議", "第1会議室", "議事録は田中さん。", True),
    (-30, "取引先へ電話", "電話", "", "先方の担当者に折り返し。", False),
    (60, "資料のレビュー", "作業", "自席", "ガイドラインの第3章を確認。", False),
    (180, "出張の手配", "手配", "", "新幹線と宿。", False),
    (2 * 1440, "四半期レポート", "作業", "", "グラフを差し替える。", False),
    (9 * 1440, "研修の申し込み", "手続き", "人事部", "締め切り前に。", False),
    (400 * 1440, "設備の更新計画", "計画", "本社 5階", "来年度の予算に入れる。", False),
]
items = []
for minutes, title, kind, place, status, finished in rows:
    items.append({
        "title": title, "action_kind": kind,
        "planned_start": at(minutes - 60), "planned_end": at(minutes),
        "actual_start": at(minutes - 60) if finished else UNSET,
        "actual_end": at(minutes - 5) if finished else UNSET,
        "alarm": UNSET, "location": place, "status": status,
    })
kinds = sorted({r[2] for r in rows})
json.dump({"items": items, "action_kinds": kinds}, sys.stdout, ensure_ascii=False, indent=1)
