// The tracker's view on a canvas: the playing row centred, every channel's cells, and a level
// meter per channel above its column. Redrawn at the display's frame rate from the latest state
// the audio thread sent; the canvas is as wide as the channels need and its box scrolls sideways.
import { cellText } from './notation.js';

const FONT_PX = 13;
const LINE = 16;
const HEADER = 30;
const CELL_CHARS = 14;
const ROW_NUMBER_CHARS = 4;
const METER_FALL = 0.88;
const METER_RANGE_DB = 48;
const COLOURS = {
  background: '#10141c', text: '#b8c4d6', dim: '#4a5568', current: '#24344d', header: '#8fa3bf',
  meter: '#4cc38a', meterHot: '#e0b341', beat: '#161c27',
};

// A peak level 0..1 as the filled part of a meter: METER_RANGE_DB below full scale is empty.
function meterFill(level) {
  if (!(level > 0)) return 0;
  return Math.min(1, Math.max(0, 1 + (20 * Math.log10(level)) / METER_RANGE_DB));
}

export class PatternView {
  constructor(canvas) {
    this.canvas = canvas;
    this.context = canvas.getContext('2d');
    this.song = null;
    this.state = null;
    this.channelData = null;
    this.meters = new Float32Array(256);
    this.cached = { pattern: -1, rows: [] };
    this.charWidth = 8;
    this.channels = 0;
  }

  // A new song (or none): forget the cached pattern text and size the canvas for its channels.
  setSong(song) {
    this.song = song;
    this.state = null;
    this.cached = { pattern: -1, rows: [] };
    this.meters.fill(0);
    this.channels = song ? song.info().channels : 0;
    this.resize();
  }

  update(state, channelData) {
    this.state = state;
    this.channelData = channelData;
    this.canvas.dataset.row = state.row;
    this.canvas.dataset.order = state.order;
  }

  resize() {
    const ratio = window.devicePixelRatio || 1;
    const ctx = this.context;
    ctx.font = `${FONT_PX}px monospace`;
    this.charWidth = Math.ceil(ctx.measureText('0').width);
    const width = (ROW_NUMBER_CHARS + Math.max(1, this.channels) * CELL_CHARS) * this.charWidth;
    const height = this.canvas.parentElement.clientHeight || 400;
    this.canvas.style.width = `${width}px`;
    this.canvas.style.height = `${height}px`;
    this.canvas.width = Math.round(width * ratio);
    this.canvas.height = Math.round(height * ratio);
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  }

  // The pattern's cells as text, computed once per pattern.
  patternText(pattern) {
    if (this.cached.pattern === pattern) return this.cached.rows;
    const rows = [];
    const count = Math.max(0, this.song.patternRows(pattern));
    for (let r = 0; r < count; ++r) {
      const cells = [];
      for (let c = 0; c < this.channels; ++c) cells.push(cellText(this.song.cell(pattern, r, c)));
      rows.push(cells);
    }
    this.cached = { pattern, rows };
    return rows;
  }

  draw() {
    const ctx = this.context;
    const width = this.canvas.width / (window.devicePixelRatio || 1);
    const height = this.canvas.height / (window.devicePixelRatio || 1);
    ctx.fillStyle = COLOURS.background;
    ctx.fillRect(0, 0, width, height);
    if (!this.song || !this.state) return;
    ctx.font = `${FONT_PX}px monospace`;
    ctx.textBaseline = 'middle';
    this.drawMeters(ctx);
    this.drawRows(ctx, width, height);
  }

  drawMeters(ctx) {
    const cw = this.charWidth;
    for (let c = 0; c < this.channels; ++c) {
      const level = this.channelData ? this.channelData[c * 5 + 4] || 0 : 0;
      this.meters[c] = Math.max(meterFill(level), this.meters[c] * METER_FALL);
      const x = (ROW_NUMBER_CHARS + c * CELL_CHARS) * cw;
      const full = (CELL_CHARS - 1) * cw;
      ctx.fillStyle = COLOURS.header;
      ctx.fillText(String(c + 1).padStart(2, '0'), x, 8);
      ctx.fillStyle = COLOURS.dim;
      ctx.fillRect(x, 18, full, 6);
      ctx.fillStyle = this.meters[c] > 0.9 ? COLOURS.meterHot : COLOURS.meter;
      ctx.fillRect(x, 18, full * this.meters[c], 6);
    }
  }

  drawRows(ctx, width, height) {
    const rows = this.patternText(this.state.pattern);
    const visible = Math.floor((height - HEADER) / LINE);
    const middle = HEADER + Math.floor(visible / 2) * LINE;
    ctx.fillStyle = COLOURS.current;
    ctx.fillRect(0, middle, width, LINE);
    const first = this.state.row - Math.floor(visible / 2);
    for (let i = 0; i < visible; ++i) {
      const row = first + i;
      if (row < 0 || row >= rows.length) continue;
      const y = HEADER + i * LINE + LINE / 2;
      if (row % 4 === 0 && row !== this.state.row) {
        ctx.fillStyle = COLOURS.beat;
        ctx.fillRect(0, y - LINE / 2, width, LINE);
      }
      ctx.fillStyle = COLOURS.dim;
      ctx.fillText(String(row).padStart(2, '0'), 0, y);
      ctx.fillStyle = COLOURS.text;
      rows[row].forEach((text, c) => {
        ctx.fillText(text, (ROW_NUMBER_CHARS + c * CELL_CHARS) * this.charWidth, y);
      });
    }
  }
}
