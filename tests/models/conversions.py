#!/usr/bin/env python3
"""An independent model of tintara's colour conversions, run against the built host.

Usage: conversions.py TINTARA [SEED]. For every source and target format it writes random,
extreme and gradient frames at a spread of sizes (odd ones where the pair allows them), lets
tintara convert them through RawSource and ConvertTo*, and compares every output byte with the
model below. The model is written from AviSynth+'s documented integer rules, separately from the
C++ code, so a fault in a fast path (a row tail, an edge tap, a rounding shift) shows up as a
mismatch at some size even when the hand-picked examples in ConversionTest pass.
"""
import math
import os
import random
import subprocess
import sys
import tempfile

def clamp(v): return 0 if v < 0 else (255 if v > 255 else v)
def trunc(x): return int(x)
Kr, Kb = 0.299, 0.114
Kg = (1 - Kr) - Kb

# Raw frames, top row first: RGB24 bgr24, RGB32 bgra, YUY2 yuyv422, YV12/I420 planes Y, U, V.
def frame_size(fmt, w, h):
    return {'RGB24': w*h*3, 'RGB32': w*h*4, 'YUY2': w*h*2}.get(fmt, w*h + 2*(w//2)*(h//2))

# Packed RGB as rows of [B, G, R(, A)] pixels; planar as three lists of rows.
def split_rgb(buf, w, h, bpp):
    return [[list(buf[(y*w+x)*bpp:(y*w+x)*bpp+bpp]) for x in range(w)] for y in range(h)]
def join_rgb(rows):
    return bytes(b for r in rows for p in r for b in p)
def split_planar(buf, w, h):
    Y = [list(buf[y*w:(y+1)*w]) for y in range(h)]
    cw, ch = w//2, h//2; o = w*h
    U = [list(buf[o+y*cw:o+(y+1)*cw]) for y in range(ch)]; o += cw*ch
    V = [list(buf[o+y*cw:o+(y+1)*cw]) for y in range(ch)]
    return Y, U, V
def join_planar(Y, U, V):
    return bytes(b for P in (Y, U, V) for r in P for b in r)

# The chroma resizer: bicubic Mitchell-Netravali (B = C = 1/3), horizontal pass first with an
# 8-bit intermediate. Coefficients are 14-bit, rounded on their running sum, and taps outside
# the plane fold into the edge pixels, so every program sums to exactly 16384.
B = C = 1.0/3
p0 = (6 - 2*B)/6; p2 = (-18 + 12*B + 6*C)/6; p3 = (12 - 9*B - 6*C)/6
q0 = (8*B + 24*C)/6; q1 = (-12*B - 48*C)/6; q2 = (6*B + 30*C)/6; q3 = (-B - 6*C)/6
def K(d):
    d = abs(d)
    if d < 1: return p0 + d*d*(p2 + d*p3)
    if d < 2: return q0 + d*(q1 + d*(q2 + d*q3))
    return 0.0
def R(x): return trunc(x*16384 + 0.5)
def program(n, t, s):
    step = n/t; scale = max(step, 1.0); support = 2*scale
    T = math.ceil(2*support)
    pos = s + (step*0.5 - 0.5)
    out = []
    for i in range(t):
        first = trunc(pos + support) - T + 1
        taps = list(range(first, first+T))
        ws = [K((pos - p)/scale) for p in taps]
        total = 0.0
        for w_ in ws: total += w_
        pending = 0.0; Cc = 0.0; coefs = []
        for p, w_ in zip(taps, ws):
            pending += w_
            if 0 <= p <= n-1:
                C2 = Cc + pending/total
                coefs.append(R(C2) - R(Cc)); Cc = C2; pending = 0.0
        if pending != 0:
            coefs[-1] += R(Cc + pending/total) - R(Cc)
        out.append((max(first, 0), coefs))
        pos += step
    return out
def apply_prog(prog, src):
    return [clamp((8192 + sum(c*src[st+k] for k, c in enumerate(co))) >> 14) for st, co in prog]
def resize_plane(P, tw, th, sh, sv):
    h = len(P); w = len(P[0])
    ph = program(w, tw, sh)
    Hp = [apply_prog(ph, row) for row in P]
    pv = program(h, th, sv)
    cols = [apply_prog(pv, [Hp[y][x] for y in range(h)]) for x in range(tw)]
    return [[cols[x][y] for x in range(tw)] for y in range(th)]

# RGB -> YV12: 15-bit Rec.601 with a full-range scale of 255.5, then the chroma halved.
def rgb_to_yv12(rows):
    h = len(rows); w = len(rows[0])
    Y = [[clamp(16 + ((3202*p[0] + 16487*p[1] + 8398*p[2] + 16384) >> 15)) for p in r] for r in rows]
    U = [[clamp(128 + ((14364*p[0] - 9516*p[1] - 4846*p[2] + 16384) >> 15)) for p in r] for r in rows]
    V = [[clamp(128 + ((-2335*p[0] - 12027*p[1] + 14364*p[2] + 16384) >> 15)) for p in r] for r in rows]
    return Y, resize_plane(U, w//2, h//2, -0.5, 0.0), resize_plane(V, w//2, h//2, -0.5, 0.0)

# RGB -> YUY2: each pair's chroma from a 1-2-1 window on the even pixel, 16-bit arithmetic.
dku = 112/(255.5*(1-Kb))*32768; dkv = 112/(255.5*(1-Kr))*32768
ku = trunc(dku+0.5); kv = trunc(dkv+0.5)
ku_l = -trunc(dku*255.5/219 + 0.5); kv_l = -trunc(dkv*255.5/219 + 0.5)
assert (ku, kv, ku_l, kv_l) == (16212, 20491, -18914, -23906)
def rgb_to_yuy2(rows):
    out = []
    for r in rows:
        w = len(r)
        L = [(3202*p[0] + 16487*p[1] + 8398*p[2] + 0x84000) >> 15 for p in r]
        o = []
        for x in range(0, w, 2):
            a = x-1 if x > 0 else 0
            Ls = L[a] + 2*L[x] + L[x+1]
            Bs = r[a][0] + 2*r[x][0] + r[x+1][0]
            Rs = r[a][2] + 2*r[x][2] + r[x+1][2]
            mu = (Ls-64)*ku_l + Bs*ku; mv = (Ls-64)*kv_l + Rs*kv
            o += [L[x], clamp(((mu >> 1) + 0x808000) >> 16), L[x+1], clamp(((mv >> 1) + 0x808000) >> 16)]
        out.append(o)
    return out
# YUY2 -> RGB: 14-bit; the odd pixel blends its pair's chroma with the next pair's.
def yuy2_to_rgb(rows, bpp):
    out = []
    for r in rows:
        n = len(r)//4; o = []
        for p in range(n):
            Y0, U, Y1, V = r[4*p:4*p+4]; u = U-128; v = V-128
            if p+1 < n: un = r[4*p+5]-128; vn = r[4*p+7]-128
            else: un, vn = u, v
            for Yv, su, sv in ((Y0, 2*u, 2*v), (Y1, u+un, v+vn)):
                l = (Yv-16)*19114 + 8192
                px = [clamp((l + su*16557) >> 14), clamp((l - su*3215 - sv*6672) >> 14), clamp((l + sv*13100) >> 14)]
                if bpp == 4: px.append(255)
                o.append(px)
        out.append(o)
    return out
def yuy2_to_yv12(rows):
    h = len(rows); w = len(rows[0])//2
    Y = [[r[2*x] for x in range(w)] for r in rows]
    U = [[(rows[2*c][4*p+1] + rows[2*c+1][4*p+1] + 1) >> 1 for p in range(w//2)] for c in range(h//2)]
    V = [[(rows[2*c][4*p+3] + rows[2*c+1][4*p+3] + 1) >> 1 for p in range(w//2)] for c in range(h//2)]
    return Y, U, V
def yv12_to_rgb(Y, U, V, bpp):
    h = len(Y); w = len(Y[0])
    Uu = resize_plane(U, w, h, 0.25, 0.0); Vu = resize_plane(V, w, h, 0.25, 0.0)
    out = []
    for y in range(h):
        o = []
        for x in range(w):
            yy = 9557*(Y[y][x]-16); u = Uu[y][x]-128; v = Vu[y][x]-128
            px = [clamp((yy + 16558*u + 4096) >> 13), clamp((yy - 3215*u - 6672*v + 4096) >> 13), clamp((yy + 13100*v + 4096) >> 13)]
            if bpp == 4: px.append(255)
            o.append(px)
        out.append(o)
    return out
# YV12 -> YUY2: inner rows take 3/4 of their chroma row and 1/4 of the nearer neighbour.
def blend(cur, other):
    t = (cur + other + 1) >> 1
    return (max(t-1, 0) + cur + 1) >> 1
def yv12_to_yuy2(Y, U, V):
    h = len(Y); w = len(Y[0]); out = []
    for y in range(h):
        c = y//2
        if y < 2 or y >= h-2: cu = U[c]; cv = V[c]
        elif y % 2 == 0:
            cu = [blend(a, b) for a, b in zip(U[c], U[c-1])]; cv = [blend(a, b) for a, b in zip(V[c], V[c-1])]
        else:
            cu = [blend(a, b) for a, b in zip(U[c], U[c+1])]; cv = [blend(a, b) for a, b in zip(V[c], V[c+1])]
        o = []
        for i in range(w//2): o += [Y[y][2*i], cu[i], Y[y][2*i+1], cv[i]]
        out.append(o)
    return out

def convert(src_fmt, dst, buf, w, h):
    """The raw bytes of ConvertTo<dst>() applied to one raw frame of src_fmt."""
    if src_fmt in ('RGB24', 'RGB32'):
        bpp = 3 if src_fmt == 'RGB24' else 4
        rows = split_rgb(buf, w, h, bpp)
        if dst == 'RGB24': return join_rgb([[p[:3] for p in r] for r in rows])
        if dst == 'RGB32': return join_rgb([[p[:3] + [255] if bpp == 3 else p for p in r] for r in rows])
        if dst == 'YUY2': return bytes(b for r in rgb_to_yuy2(rows) for b in r)
        if dst in ('YV12', 'I420'): return join_planar(*rgb_to_yv12(rows))
    if src_fmt == 'YUY2':
        rows = [list(buf[y*w*2:(y+1)*w*2]) for y in range(h)]
        if dst == 'RGB24': return join_rgb(yuy2_to_rgb(rows, 3))
        if dst == 'RGB32': return join_rgb(yuy2_to_rgb(rows, 4))
        if dst == 'YUY2': return bytes(buf)
        if dst in ('YV12', 'I420'): return join_planar(*yuy2_to_yv12(rows))
    if src_fmt in ('YV12', 'I420'):
        Y, U, V = split_planar(buf, w, h)
        if dst == 'RGB24': return join_rgb(yv12_to_rgb(Y, U, V, 3))
        if dst == 'RGB32': return join_rgb(yv12_to_rgb(Y, U, V, 4))
        if dst == 'YUY2': return bytes(b for r in yv12_to_yuy2(Y, U, V) for b in r)
        if dst in ('YV12', 'I420'): return bytes(buf)
    raise ValueError((src_fmt, dst))


def frames(rnd, fmt, w, h):
    n = frame_size(fmt, w, h)
    return [bytes(rnd.randrange(256) for _ in range(n)),
            bytes(rnd.choice((0, 255)) for _ in range(n)),
            bytes(rnd.choice((0, 1, 16, 235, 240, 254, 255)) for _ in range(n)),
            bytes((i * 7) & 255 for i in range(n))]


def allowed(src, dst, w, h):
    if src in ('YUY2', 'YV12', 'I420') and w % 2: return False
    if src in ('YV12', 'I420') and h % 2: return False
    if src.startswith('RGB') and dst == 'YUY2' and w % 2: return False
    if src.startswith('RGB') and dst in ('YV12', 'I420') and (w % 2 or h % 2): return False
    if src == 'YUY2' and dst in ('YV12', 'I420') and h % 2: return False
    return True


def main():
    tintara = sys.argv[1]
    rnd = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 1)
    sizes = [(w, h) for w in (1, 2, 3, 4, 6, 8, 10, 14, 18, 34, 66) for h in (1, 2, 3, 4, 6, 9, 12)]
    checked = failed = 0
    with tempfile.TemporaryDirectory() as tmp:
        raw_in, raw_out, script = (os.path.join(tmp, n) for n in ('in.raw', 'out.raw', 's.avs'))
        for src in ('RGB24', 'RGB32', 'YUY2', 'YV12', 'I420'):
            for dst in ('RGB24', 'RGB32', 'YUY2', 'YV12', 'I420'):
                for w, h in rnd.sample(sizes, 12):
                    if not allowed(src, dst, w, h): continue
                    fs = frames(rnd, src, w, h)
                    with open(raw_in, 'wb') as f: f.write(b''.join(fs))
                    with open(script, 'w') as f:
                        f.write('RawSource("%s", width=%d, height=%d, pixel_type="%s")\nConvertTo%s()\n'
                                % (raw_in, w, h, src, dst))
                    run = subprocess.run([tintara, script, raw_out], capture_output=True, text=True)
                    checked += 1
                    got = open(raw_out, 'rb').read() if run.returncode == 0 else run.stderr.strip()
                    want = b''.join(convert(src, dst, f, w, h) for f in fs)
                    if got != want:
                        failed += 1
                        where = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), None) \
                            if isinstance(got, bytes) else got
                        print('%s -> %s at %dx%d differs (first byte %s)' % (src, dst, w, h, where))
    print('%d conversions checked, %d differ' % (checked, failed))
    return 1 if failed or checked == 0 else 0


if __name__ == '__main__':
    sys.exit(main())
