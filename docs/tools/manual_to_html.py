# Turns docs/manual.md into the HTML that make_manual_pdf lays out (the
# few Markdown forms the manual uses: headings, lists, tables, paragraphs).
# Usage: python3 manual_to_html.py manual.md manual.html
import re,sys,html
src=open(sys.argv[1],encoding='utf-8').read().splitlines()
out=['<!DOCTYPE html><html><head><meta charset="utf-8"><style>body{font-family:"Noto Sans CJK JP";font-size:10.5pt;line-height:1.6}table{border-collapse:collapse}td,th{border:1px solid #888;padding:4px;vertical-align:top}h1{color:#205fb0}h2{color:#205fb0;border-bottom:1px solid #205fb0}</style></head><body>']
def inline(t):
    t=html.escape(t)
    return re.sub(r'`([^`]+)`',r'<code>\1</code>',t)
i=0; inlist=None; table=[]
def flush_list():
    global inlist
    while inlist: out.append('</%s>'%inlist.pop())
inlist=[]
while i<len(src):
    l=src[i]
    if l.startswith('|'):
        rows=[]
        while i<len(src) and src[i].startswith('|'):
            rows.append([c.strip() for c in src[i].strip('|').split('|')]); i+=1
        out.append('<table>'); out.append('<tr>'+''.join('<th>%s</th>'%inline(c) for c in rows[0])+'</tr>')
        for r in rows[2:]: out.append('<tr>'+''.join('<td>%s</td>'%inline(c) for c in r)+'</tr>')
        out.append('</table>'); continue
    m=re.match(r'^(#+) (.*)',l)
    if m: flush_list(); n=len(m.group(1)); out.append('<h%d>%s</h%d>'%(n,inline(m.group(2)),n)); i+=1; continue
    m=re.match(r'^( *)(\d+\.|-) (.*)',l)
    if m:
        depth=len(m.group(1))//3+1; kind='ol' if m.group(2)[0].isdigit() else 'ul'
        while len(inlist)<depth: inlist.append(kind); out.append('<%s>'%kind)
        while len(inlist)>depth: out.append('</%s>'%inlist.pop())
        text=m.group(3); i+=1
        while i<len(src) and re.match(r'^ {3,}\S',src[i]) and not re.match(r'^ *(\d+\.|-) ',src[i]):
            text+=src[i].strip(); i+=1
        out.append('<li>%s</li>'%inline(text)); continue
    if not l.strip(): flush_list(); i+=1; continue
    flush_list(); para=l; i+=1
    while i<len(src) and src[i].strip() and not re.match(r'^(#|\||-|\d+\.)',src[i]): para+=src[i]; i+=1
    out.append('<p>%s</p>'%inline(para))
flush_list(); out.append('</body></html>')
open(sys.argv[2],'w',encoding='utf-8').write('\n'.join(out))
