// The tracker notation of the pattern view and the time shown on the page.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { cellText, effectText, noteText, timeText, volumeText } from '../page/notation.js';

describe('notation', () => {
  it('numbers notes from C-0 (1) to B-7 (96), with octaves changing at C', () => {
    assert.equal(noteText(1), 'C-0');
    assert.equal(noteText(12), 'B-0');
    assert.equal(noteText(13), 'C-1');
    assert.equal(noteText(50), 'C#4');
    assert.equal(noteText(96), 'B-7');
    assert.equal(noteText(97), '===');
    assert.equal(noteText(0), '···');
  });

  it('shows the volume column as a volume 00..40 or a command with its digit', () => {
    assert.equal(volumeText(0x0f), '··');
    assert.equal(volumeText(0x10), '00');
    assert.equal(volumeText(0x50), '40');
    assert.equal(volumeText(0x51), '··');
    assert.equal(volumeText(0x6a), '-A');
    assert.equal(volumeText(0x7f), '+F');
    assert.equal(volumeText(0xc8), 'P8');
    assert.equal(volumeText(0xf3), 'M3');
  });

  it('writes effects 0-9 then A-Z with two hex digits, and 000 as empty', () => {
    assert.equal(effectText(0, 0), '···');
    assert.equal(effectText(0, 0x37), '037');
    assert.equal(effectText(9, 0), '900');
    assert.equal(effectText(10, 0x0f), 'A0F');
    assert.equal(effectText(15, 0x7d), 'F7D');
    assert.equal(effectText(33, 0x12), 'X12');
    assert.equal(cellText([49, 1, 0x40, 0xe, 0xc3]), 'C-4 01 30 EC3');
  });

  it('shows song time in whole seconds, rounded down, with hours from an hour on', () => {
    assert.equal(timeText(0), '0:00');
    assert.equal(timeText(29.999), '0:29');
    assert.equal(timeText(30), '0:30');
    assert.equal(timeText(59.5), '0:59');
    assert.equal(timeText(61), '1:01');
    assert.equal(timeText(3599.9), '59:59');
    assert.equal(timeText(3600), '1:00:00');
    assert.equal(timeText(-1), '0:00');
  });
});
