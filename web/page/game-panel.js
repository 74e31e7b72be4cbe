// The game panel: queue an order at the pattern's end, play the song's instruments from the
// keyboard over the music, fade half the channels, and see what the engine reports.
const NOTE_KEYS = 'zsxdcvgbhnjm,'; // a piano octave from C on the bottom letter row
const FIRST_NOTE = 49; // C-4

export class GamePanel {
  constructor(root, send) {
    this.root = root;
    this.send = send;
    this.effects = new Map(); // key -> effect id
    this.faded = false;
    this.$ = (name) => root.querySelector(`[data-game="${name}"]`);
    this.$('queue').addEventListener('click', () => this.queue());
    this.$('cancel').addEventListener('click', () => this.send({ type: 'game', action: 'cancel' }));
    this.$('fade').addEventListener('click', () => this.fade());
    const keys = this.$('keys');
    keys.addEventListener('keydown', (e) => this.key(e, true));
    keys.addEventListener('keyup', (e) => this.key(e, false));
  }

  queue() {
    const order = Number(this.$('order').value);
    const when = this.$('when').value;
    this.send({ type: 'game', action: 'jump', order, row: 0, when, rows: 16 });
  }

  fade() {
    this.faded = !this.faded;
    const channels = Number(this.root.dataset.channels ?? 0);
    for (let channel = 0; channel < Math.ceil(channels / 2); ++channel) {
      this.send({ type: 'game', action: 'fade', channel, volume: this.faded ? 0 : 256, seconds: 1 });
    }
    this.$('fade').textContent = this.faded ? 'Fade first half in' : 'Fade first half out';
  }

  // Keys of the piano row play the chosen instrument while held; nothing reaches the page's
  // own keys from here.
  key(event, down) {
    const index = NOTE_KEYS.indexOf(event.key.toLowerCase());
    if (index < 0) return;
    event.preventDefault();
    event.stopPropagation();
    if (event.repeat) return;
    if (down) {
      const instrument = Number(this.$('instrument').value);
      this.pendingKey = event.key;
      this.send({ type: 'game', action: 'effect', instrument, note: FIRST_NOTE + index, volume: 64 });
    } else if (this.effects.has(event.key)) {
      this.send({ type: 'game', action: 'release', id: this.effects.get(event.key) });
      this.effects.delete(event.key);
    }
  }

  songLoaded(info) {
    this.root.dataset.channels = String(info.channels);
    this.$('order').max = String(Math.max(0, info.orders - 1));
    this.$('instrument').max = String(Math.max(1, info.instruments));
  }

  // Answers and events from the worklet.
  message(message) {
    if (message.type === 'game' && message.action === 'effect' && this.pendingKey) {
      if (message.result > 0) this.effects.set(this.pendingKey, message.result);
      this.pendingKey = null;
    }
    const jump = message.jump;
    this.$('pending').textContent = jump ? `order ${jump.order} at ${jump.when}` : 'none';
    for (const e of message.events ?? []) {
      if (e.kind === 'jumpTaken') this.log(`jump landed on order ${e.a} row ${e.c} (frame ${e.frame})`);
      if (e.kind === 'fadeEnd') this.log(`fade of ${e.a < 0 ? 'master' : `channel ${e.a}`} ended at ${e.b}`);
      if (e.kind === 'order') this.log(`order ${e.a} (pattern ${e.b}) at frame ${e.frame}`);
    }
  }

  log(text) {
    const list = this.$('log');
    const item = document.createElement('li');
    item.textContent = text;
    list.prepend(item);
    while (list.children.length > 8) list.lastChild.remove();
  }
}
