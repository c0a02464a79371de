#!/usr/bin/env bash
# Rebuilds data/postal/postal.tsv.xz from the published postal-code package.
# Needs npm, python3 and xz; the build itself needs none of them.
# Usage: scripts/update-postal-data.sh   (then review and commit data/postal/)
set -euo pipefail

package=jquery-jpostal-ja
version=2.14.73

root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/data/postal"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "$package@$version" >/dev/null)
tar -xzf "$work/$package-$version.tgz" -C "$work"

# The package holds one JSONP file per 3-digit prefix: rows of
# [code with a leading "_", prefecture, city, town, street, office, kana x3].
# Kept: code, prefecture, city, town, street, office; rows without a prefecture
# (the placeholder for the unused prefix 000) are dropped.
python3 - "$work/package" "$work/postal.tsv" <<'PY'
import glob, json, os, sys
src, dst = sys.argv[1], sys.argv[2]
rows = []
for path in sorted(glob.glob(os.path.join(src, "json", "*.json"))):
    text = open(path, encoding="utf-8").read()
    rows.extend(json.loads(text[text.index("(") + 1:text.rindex(")")]))
kept = []
for r in rows:
    code = r[0].lstrip("_")
    if not (code.isdigit() and len(code) in (3, 7)) or not r[1]:
        continue
    fields = [code] + [f.replace("\t", " ").replace("\n", " ").strip() for f in r[1:6]]
    kept.append("\t".join(fields))
kept.sort(key=lambda line: (len(line.split("\t", 1)[0]), line.split("\t", 1)[0]))
with open(dst, "w", encoding="utf-8", newline="\n") as f:
    f.write("\n".join(kept) + "\n")
print(len(rows), len(kept))
PY
counts=$(python3 -c "import sys; print(sum(1 for _ in open(sys.argv[1], encoding='utf-8')))" "$work/postal.tsv")

xz -9e --check=crc32 -T1 -c "$work/postal.tsv" > "$out/postal.tsv.xz"
# The package has no LICENSE file; its copyright line stands in the script's header.
author="$(grep -m1 -o 'Copyright [^*]*' "$work/package/jquery.jpostal.js" | sed 's/[[:space:]]*$//')"

license="$(cat <<'MIT'
MIT License

AUTHOR_LINE

Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE.
MIT
)"
license="${license/AUTHOR_LINE/$author}"

cat > "$out/README.md" <<MD
# 郵便番号データ

\`postal.tsv.xz\`: UTF-8 の TSV を xz で圧縮したもの。1 行 1 件、改行は LF。

| 列 | 内容 |
|----|------|
| 1 | 郵便番号 (7 桁、または 3 桁の上位番号だけの行) |
| 2 | 都道府県 |
| 3 | 市区町村 |
| 4 | 町域 (市区町村全体の行では空) |
| 5 | 番地 (大口事業所・私書箱の番号だけ) |
| 6 | 事業所名 (大口事業所・私書箱の番号だけ) |

- 出典: npm パッケージ \`$package\` 版 $version (日本郵便の郵便番号データを整えたもの)
- 行数: $counts (7 桁の番号と 3 桁の上位番号。都道府県のない行は除いた)
- 更新: \`scripts/update-postal-data.sh\` (版を上げるときはスクリプトの \`version\` を変える)
- ビルドはこのファイルから検索用の表を作る。npm もネットワークも要らない。

## ライセンス

出典のパッケージは MIT ライセンス ($author)。
この表はその JSON データから列を選び並べ替えたもので、同じライセンスに従う。

\`\`\`
$license
\`\`\`
MD
echo "data/postal: $counts rows from $package@$version"
