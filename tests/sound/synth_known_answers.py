#!/usr/bin/env python3
# Writes synth_known_answers.txt: the synthesis tick worked out from its published formulas in
# plain Python (math, struct for single precision, round() for halves to even), sharing nothing
# with the program. Run once: python3 synth_known_answers.py > synth_known_answers.txt
import math, random, struct

def f32(v): return struct.unpack('<f', struct.pack('<f', v))[0]

class Noise:  # 24-bit LCG, reseeded from a negative x by the SplitMix64 finaliser of its bits
    def __init__(self): self.state = 0x2545F4
    def next(self, x):
        if x < 0:
            z = struct.unpack('<Q', struct.pack('<d', x))[0]
            z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) % 2**64
            z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) % 2**64
            self.state = (z ^ (z >> 31)) >> 40
        elif not x > 0: return self.state / 2**24
        self.state = (0xBB40E5 * self.state + 0x3C6EF3) % 2**24
        return self.state / 2**24

def wave(osc, k, x, a, noise):
    s, c, si = math.sin(x), math.cos(x), math.sin(math.floor(x))
    if osc == 2 and k in (0, 5, 7): return {0: s * a, 5: math.tan(c) * a, 7: si * a}[k]
    return [si * a, math.floor(s) * a, math.sin(math.tan(x)) * s * a,
            s * math.sin(c) * math.tan(s) * math.floor(c) * a,
            s * c * math.cos(s) * math.sin(math.tan(x)) * math.sin(math.tan(x)) * a,
            None, math.floor(s) / 2 * a + (math.floor(s) - si), s * a][k] \
        if k != 5 else math.tan(noise.next(x)) * a

def single(old, f):  # a statement that fails or does not fit leaves its target as it was
    try: v = f()
    except (ZeroDivisionError, ValueError, OverflowError): return old
    return f32(v) if abs(v) <= 3.4028234663852886e38 else old

class Synth:
    def __init__(self):
        self.t, self.s, self.noise = 0.0, [0.0, 0.0], Noise()
        self.tables = [[0] * 361, [0] * 361]
    def tick(self, v, t0, dt, nan_at):
        peaks, traces, s = [0, 0], [[], []], self.s
        for i in range(361):
            if i != nan_at: self.t = f32(t0 + i * dt)
            t, theta = self.t, f32(i * 0.01745329251994)
            h = round(math.cos(t * v['fm'] / 2) * v['pitch'])
            for o in (0, 1):
                s[o] = single(s[o], lambda: wave(o + 1, v['opt'][o], theta * h, v['amp'][o], self.noise))
            v['amp'] = [v['env'], v['env']]
            for o in (0, 1): s[o] = single(s[o], lambda: s[o] * math.cos(t * v['am2']))
            s[0] = single(s[0], lambda: s[0] * math.cos(t * v['am1']))
            s[1] = single(s[1], lambda: s[1] * math.sin(t * v['am1']))
            for o in (0, 1):
                if v['cut'][o] > 0: s[o] = single(s[o], lambda: s[o] / (10 * math.log(h / (0.1 * v['cut'][o]) + 1)))
                if 0 <= round(s[o] + 128) <= 255: self.tables[o][i] = round(s[o] + 128)
                if s[o] > peaks[o] and abs(round(s[o])) < 32768: peaks[o] = round(s[o])
                traces[o].append(s[o])
        heard = bytes(self.tables[0][:360] + self.tables[1][:360])
        digest = 0xCBF29CE484222325  # FNV-1a, 64 bits, over the loops and both traces (-0 as 0)
        for b in heard + struct.pack('<722f', *(x + 0.0 for x in traces[0] + traces[1])):
            digest = ((digest ^ b) * 0x100000001B3) % 2**64
        return peaks, digest, heard.hex()

def voice(pitch, o1, o2, env, amp=None, am1=0, am2=0, fm=0, cut1=0, cut2=0):
    a = env if amp is None else amp
    return dict(pitch=pitch, opt=[o1, o2], env=env, amp=[a, a], am1=am1, am2=am2, fm=fm, cut=[cut1, cut2])

chosen = [(voice(0, 0, 0, 0), 0.5, 0, -1)]  # no note yet: silence over the zeros of start-up
chosen += [(voice(3 + k, k, k, 100, 60, am1=7, am2=3 * k), 2.0 + k, 1e-4, -1) for k in range(8)]
chosen += [(voice(4, 7, 7, 100, am1=0), 2.0, 0, -1),        # a pure sine: index 22 is 228, 90 is 128
           (voice(9, 5, 0, 124), 12.5, 1e-5, 77),     # noise, some of it too loud for a byte
           (voice(6, 5, 3, 90, fm=100, am1=9), 40.0, 3e-4, -1),  # FM through negative harmonics
           (voice(24, 7, 2, 120, am1=100), 3.0, 2e-5, -1),
           (voice(2, 7, 7, 100, am1=50, cut1=2000, cut2=300), 3.0, 2e-5, -1),  # cuts; bytes fail
           (voice(20, 6, 6, 0, 35, am1=5, fm=30, cut1=7, cut2=1), 77.7, 5e-6, 200)]  # level 0
rng, t = random.Random(5), 1.0  # a half in single precision: the byte and level round to even
while not (f32(-124 * math.cos(f32(t) * 37)) > 64 and f32(-124 * math.cos(f32(t) * 37)) * 2 % 4 == 1):
    t = rng.uniform(1, 2000)
chosen.append((voice(5, 1, 1, 124, am2=37), f32(t), 0, -1))
run = []
for n in range(1500):  # then random voices, a third of them the last one again or moved on
    if n == 0 or rng.randint(0, 2) > 0:
        v = voice(rng.randint(0, 24), rng.randint(0, 7), rng.randint(0, 7),
                  rng.randint(0, 124) if rng.randint(0, 3) else 0, rng.randint(0, 124),
                  *[0 if rng.randint(0, 2) else rng.randint(1, 100) for _ in range(3)],
                  0 if rng.randint(0, 2) else rng.randint(1, 2000), 0 if rng.randint(0, 1) else rng.randint(1, 20))
        t0, dt = rng.randint(0, 100000) / 100, 0 if rng.randint(0, 1) else rng.randint(1, 1000) * 1e-6
        nan_at = rng.randint(1, 360) if rng.randint(0, 9) == 0 else -1
    else:
        v = dict(v, amp=[v['env'], v['env']])
        t0 += 0.37 * rng.randint(0, 1)
    run.append((dict(v), t0, dt, nan_at))
print('# Made by synth_known_answers.py (the formulas in plain Python); do not edit by hand.')
print('# pitch opt1 opt2 env amp1 amp2 am1 am2 fm cut1 cut2 t0 dt nan_at : peak1 peak2 digest [loops]')
synth = Synth()
for n, (v, t0, dt, nan_at) in enumerate(chosen + run):
    fields = [v['pitch'], *v['opt'], v['env'], *v['amp'], v['am1'], v['am2'], v['fm'], *v['cut']]
    peaks, digest, heard = synth.tick(dict(v), t0, dt, nan_at)
    print(*fields, repr(t0), repr(dt), nan_at, ':', *peaks, '%016x' % digest, heard if n < len(chosen) else '')
g = Noise()
for x in [0.0, 1.0, 0.5, 2.0, 3.0, 0.0, -0.0, float('nan'), 7.0, -1.5, 1.0, -1.5, -1.5, -1e-300, 4.0, -2.25]:
    print('noise', repr(x), int(g.next(x) * 2**24))
