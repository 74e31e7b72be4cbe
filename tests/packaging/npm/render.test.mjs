// The installed npm package against the native tool: each case renders a song through the
// package's renderFloat and through `kavoxm render --bits 32f -o -` with the same settings, and
// the bytes must be the same. Run from a project where `kavoxm` is installed (npm.sh).
import assert from 'node:assert/strict';
import { execFile } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import { basename } from 'node:path';
import { before, describe, it } from 'node:test';
import { promisify } from 'node:util';
import * as kavoxm from 'kavoxm';
import { createEngine, Interpolation, Text } from 'kavoxm';

const tool = process.env.KAVOXM_TOOL;
const songs = process.env.KAVOXM_SONGS.split(' ').filter(Boolean);
const BLOCK = 4096;
// Engine's helpers for the Song objects it makes, not part of the declared API.
const HELPERS = ['bytes', 'view', 'cString', 'renderTarget'];

async function native(file, args) {
  const { stdout } = await promisify(execFile)(tool, ['render', file, '--bits', '32f', ...args, '-o', '-'],
    { encoding: 'buffer', maxBuffer: 512 << 20 });
  return stdout;
}

// Renders through the package: settings applied, then blocks until the song's end or `seconds`.
function packaged(engine, bytes, c) {
  const { song, error } = engine.load(bytes);
  assert.equal(error, undefined);
  assert.equal(song.setInterpolation(Interpolation[c.interpolation.toUpperCase()]), 0);
  assert.equal(song.setStereoSeparation(c.separation), 0);
  assert.equal(song.setMasterVolume(c.volume), 0);
  const limit = c.seconds ? c.seconds * c.rate : Infinity;
  const blocks = [];
  let frames = 0;
  while (frames < limit) {
    const block = song.renderFloat(c.rate, c.channels, Math.min(BLOCK, limit - frames));
    if (block.length === 0) break;
    blocks.push(Buffer.from(block.buffer, block.byteOffset, block.byteLength));
    frames += block.length / c.channels;
  }
  assert.equal(song.heardFrame(), frames); // offline: the frames handed out
  song.destroy();
  return Buffer.concat(blocks);
}

const settings = [
  { name: 'defaults', rate: 44100, channels: 2, interpolation: 'spline', separation: 100, volume: 128 },
  { name: 'mono linear 48 kHz', rate: 48000, channels: 1, interpolation: 'linear', separation: 100, volume: 128 },
  { name: 'nearest 22050 Hz, half width, loud', rate: 22050, channels: 2, interpolation: 'nearest', separation: 50, volume: 230 },
];

describe('kavoxm from the packed tarball', () => {
  let engine;
  before(async () => {
    engine = await createEngine();
  });

  it('names its version and reads a song', async () => {
    assert.match(engine.version(), /^\d+\.\d+\.\d+$/);
    const { song } = engine.load(await readFile(songs[0]));
    assert.ok(song.duration() > 0);
    assert.ok(song.subsongs().length >= 1);
    assert.ok(song.info().channels > 0);
    assert.equal(typeof song.text(Text.TITLE), 'string');
    song.destroy();
  });

  // The TypeScript declarations name what the module has: its exports and each class's methods.
  it('declares exactly what the module exports', async () => {
    const declarations = await readFile(new URL('./kavoxm.d.ts', import.meta.resolve('kavoxm')), 'utf8');
    const declared = [...declarations.matchAll(/^export declare (?:const|function|class) (\w+)/gm)]
      .map((m) => m[1]).sort();
    assert.deepEqual(declared, Object.keys(kavoxm).sort());
    for (const [, name, body] of declarations.matchAll(/^export declare class (\w+) \{([\s\S]*?)^\}/gm)) {
      const methods = [...body.matchAll(/^  (\w+)\(/gm)].map((m) => m[1]).filter((m) => m !== 'constructor');
      const actual = Object.getOwnPropertyNames(kavoxm[name].prototype)
        .filter((m) => m !== 'constructor' && !HELPERS.includes(m));
      assert.deepEqual(methods.sort(), actual.sort(), `class ${name}`);
    }
  });

  it('refuses what is not an XM file with the reason', () => {
    const result = engine.load(new TextEncoder().encode('not a module'));
    assert.equal(result.song, undefined);
    assert.match(result.error, /\w/);
  });

  songs.forEach((file, index) => {
    // The project's own song whole; the corpus songs' first seconds.
    const seconds = index === 0 ? 0 : 8;
    for (const c of settings) {
      it(`${basename(file)}, ${c.name}: the same bytes as kavoxm render`, async () => {
        const args = ['--rate', String(c.rate), '--interpolation', c.interpolation,
          '--stereo-separation', String(c.separation), '--master-volume', String(c.volume)];
        if (c.channels === 1) args.push('--mono');
        if (seconds) args.push('--seconds', String(seconds));
        const expected = await native(file, args);
        const actual = packaged(engine, await readFile(file), { ...c, seconds });
        assert.ok(expected.length > 0);
        assert.equal(actual.length, expected.length);
        assert.ok(actual.equals(expected), 'the samples differ');
      });
    }
  });
});
