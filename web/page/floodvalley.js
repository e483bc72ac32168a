// The browser edition's page: loads the WebAssembly picture code and the soundtrack, waits for
// a key or a click (browsers allow sound only after one), then runs the demo's frames on
// requestAnimationFrame until 75 s have been shown or a key is pressed. Every pixel comes from
// the WebAssembly module; this script only times the frames, copies the pixels to the canvas
// and plays the sound.
'use strict';

(() => {
  const TRACK_FILE = 'TEVDRONE.MP3';
  const TRACK_SAMPLE_RATE = 44100;
  // Keys that only modify others type nothing: they neither start nor end a run.
  const MODIFIER_KEYS = new Set([
    'Alt', 'AltGraph', 'CapsLock', 'Control', 'Fn', 'FnLock', 'Hyper', 'Meta', 'NumLock',
    'OS', 'ScrollLock', 'Shift', 'Super', 'Symbol', 'SymbolLock',
  ]);
  const SCREEN_TEXT = {
    ready: 'Press any key or click to start',
    ended: 'Press any key or click to play again',
  };

  const body = document.body;
  const picture = document.getElementById('picture');
  const message = document.getElementById('message');
  const note = document.getElementById('note');
  const bar = document.getElementById('bar');
  const fullscreenButton = document.getElementById('fullscreen');
  const context = picture.getContext('2d', { alpha: false });

  const page = {
    state: 'loading',
    wasm: null,   // the module's exports
    image: null,  // an ImageData over the module's pixel buffer
    track: null,  // the decoded soundtrack, or null for a silent run
    run: null,    // the run under way: { origin, sound, framesShown, frameRequest }
  };

  function setState(state, text = SCREEN_TEXT[state]) {
    page.state = state;
    body.dataset.state = state;
    if (text !== undefined) {
      message.textContent = text;
    }
  }

  // The single-file page carries its files inline as base64 data blocks; the site fetches
  // them from its own origin.
  async function assetBytes(name, url) {
    const inline = document.getElementById(`asset-${name}`);
    if (inline !== null) {
      const text = atob(inline.textContent.trim());
      const bytes = new Uint8Array(text.length);
      for (let i = 0; i < text.length; i += 1) {
        bytes[i] = text.charCodeAt(i);
      }
      return bytes.buffer;
    }
    const response = await fetch(url);
    if (!response.ok) {
      throw new Error(`${url}: HTTP ${response.status}`);
    }
    return response.arrayBuffer();
  }

  async function loadPictureCode() {
    const module = await assetBytes('wasm', 'floodvalley.wasm');
    const { instance } = await WebAssembly.instantiate(module, {});
    const wasm = instance.exports;
    wasm._initialize();
    picture.width = wasm.picture_width();
    picture.height = wasm.picture_height();
    const pixels = new Uint8ClampedArray(wasm.memory.buffer, wasm.frame_pixels(),
                                         picture.width * picture.height * 4);
    page.wasm = wasm;
    page.image = new ImageData(pixels, picture.width, picture.height);
  }

  // Decoded before the gesture so that the sound can start at the run's origin. An offline
  // context decodes without any sound output; the buffer then plays in any context.
  async function loadTrack() {
    const silent = (what) => ({
      track: null, problem: `The soundtrack ${TRACK_FILE} ${what}: the run is silent.`,
    });
    let bytes;
    try {
      bytes = await assetBytes('track', TRACK_FILE);
    } catch {
      return silent('is missing');
    }
    try {
      const decoder = new OfflineAudioContext(2, 1, TRACK_SAMPLE_RATE);
      return { track: await decoder.decodeAudioData(bytes), problem: null };
    } catch {
      return silent('cannot be decoded');
    }
  }

  // Asking for the audio outputs starts the browser's audio service while the page loads.
  // Otherwise the gesture's AudioContext would hold up the first frame until the service is
  // up (half a second and more in a fresh Chromium). Where the page may not ask, the run only
  // starts a little later.
  async function wakeAudioOutput() {
    try {
      await navigator.mediaDevices?.enumerateDevices();
    } catch {
      // nothing is lost
    }
  }

  async function loadSound() {
    const sound = await loadTrack();
    if (sound.track !== null) {
      await wakeAudioOutput();
    }
    return sound;
  }

  function startSound(track) {
    if (track === null) {
      return null;
    }
    try {
      const audio = new AudioContext();
      const source = new AudioBufferSourceNode(audio, { buffer: track });
      source.connect(audio.destination);
      source.start();
      return { audio, source };
    } catch {
      showNote('The sound cannot start in this browser: the run is silent.');
      return null;
    }
  }

  function stopSound(sound) {
    if (sound !== null) {
      sound.source.stop();
      sound.audio.close().catch(() => {});
    }
  }

  // One frame: performance.now() read once, whole milliseconds since the origin, the frame
  // drawn by the module, its pixels put on the canvas. Returns whether the run goes on.
  function showFrame() {
    const elapsedMs = Math.floor(performance.now() - page.run.origin);
    const goesOn = page.wasm.draw_frame(elapsedMs);
    context.putImageData(page.image, 0, 0);
    page.run.framesShown += 1;
    return goesOn;
  }

  function onAnimationFrame() {
    if (showFrame()) {
      page.run.frameRequest = requestAnimationFrame(onAnimationFrame);
    } else {
      endRun();
    }
  }

  // A fresh run from the initial state; the timeline's origin is the gesture itself.
  function startRun() {
    const origin = performance.now();
    page.wasm.start_run();
    const sound = startSound(page.track);
    page.run = {
      origin, sound, framesShown: 0, frameRequest: requestAnimationFrame(onAnimationFrame),
    };
    setState('running');
  }

  // A key ends the run at once, but a run always shows its first frame: the terminal demo,
  // too, presents a frame before it looks for a key.
  function endRunByKey() {
    if (page.run.framesShown === 0) {
      showFrame();
    }
    endRun();
  }

  function endRun() {
    cancelAnimationFrame(page.run.frameRequest);
    stopSound(page.run.sound);
    page.run = null;
    setState('ended');
  }

  function onKey(event) {
    if (event.repeat || MODIFIER_KEYS.has(event.key)) {
      return;
    }
    if (page.state === 'running') {
      endRunByKey();
    } else if (page.state === 'ready' || page.state === 'ended') {
      startRun();
    } else {
      return;
    }
    // Keys that the browser would act on alone (Space scrolls, Enter presses a focused
    // button) do only this; shortcuts with Ctrl, Alt or Meta keep their own meaning too.
    if (!event.ctrlKey && !event.altKey && !event.metaKey) {
      event.preventDefault();
    }
  }

  function onClick(event) {
    if (event.target.closest('button') === null &&
        (page.state === 'ready' || page.state === 'ended')) {
      startRun();
    }
  }

  // The largest whole number of screen pixels per picture pixel that fits the window with
  // the line below the picture; at least one.
  function fitPicture() {
    const ratio = window.devicePixelRatio || 1;
    const roomWidth = document.documentElement.clientWidth * ratio;
    const roomHeight = (document.documentElement.clientHeight - bar.offsetHeight) * ratio;
    const factor = Math.max(1, Math.floor(Math.min(roomWidth / picture.width,
                                                   roomHeight / picture.height)));
    const width = `${(picture.width * factor) / ratio}px`;
    picture.style.width = width;
    picture.style.height = `${(picture.height * factor) / ratio}px`;
    bar.style.width = width;
  }

  function toggleFullscreen() {
    const request = document.fullscreenElement === null
      ? document.documentElement.requestFullscreen()
      : document.exitFullscreen();
    request.catch(() => {});  // refused (e.g. by the browser's settings): nothing changes
    fullscreenButton.blur();  // a later Space or Enter is a key for the demo, not the button
  }

  function onFullscreenChange() {
    const full = document.fullscreenElement !== null;
    fullscreenButton.textContent = full ? 'Leave full screen' : 'Full screen';
    fitPicture();
  }

  function showNote(text) {
    note.textContent = text;
    note.hidden = false;
  }

  async function start() {
    document.getElementById('heading').textContent = document.title;
    window.addEventListener('resize', fitPicture);
    fitPicture();
    if (document.fullscreenEnabled) {
      fullscreenButton.hidden = false;
      fullscreenButton.addEventListener('click', toggleFullscreen);
      document.addEventListener('fullscreenchange', onFullscreenChange);
    }
    try {
      const [, sound] = await Promise.all([loadPictureCode(), loadSound()]);
      page.track = sound.track;
      if (sound.problem !== null) {
        showNote(sound.problem);
      }
    } catch (error) {
      setState('failed', `The demo cannot run in this browser: ${error.message}`);
      return;
    }
    fitPicture();
    window.addEventListener('keydown', onKey);
    document.addEventListener('click', onClick);
    setState('ready');
  }

  start();
})();
