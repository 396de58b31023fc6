// The page around the player: the start screen, the demo's files, the
// audio context, full screen, and the end of the run.
//
// The export beside this file holds demo.json (the demo's file list, its
// loading-screen picture and title), the demo's files under demo/, and the
// overlay's font under fonts/. The page fetches the files at once, writes
// them into the player's virtual file system at /demo, and calls main with
// "-C /demo" and the options below.
//
// Test hooks, from the page's address: fixedFps=N, start=S, until=S,
// capture=1 start at once, without the start screen and without sound, as
// the command line's --fixed-fps, --start, --until and --capture do (mode=WxH
// and msaa=N choose the frame); with capture=1 each frame is posted as PNG to
// capture/frame_NNNNNN.png beside the page, and the end of the run as JSON
// ({status, messages, shown, clock, firstFrameMs, firstPresentationMs,
// decodings: how many music files the browser was asked to decode}) to
// capture/exit. autoplay=1 starts at once with sound instead (a browser
// that allows sound without a click; start and until still apply); clock=1
// records [music time, audio context time or null, page time in seconds,
// milliseconds the player's step took to draw the frame] after every
// presentation frame shown;
// keys=N:KEY,... presses keys (Escape, Space, PageUp, PageDown, Home, O, P
// or a key code) after the Nth presentation frame shown.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const autoplay = params.get('autoplay') === '1';
  // A run for a test or a tool: no start screen, no sound, no waiting.
  const hooked =
      !autoplay && ['fixedFps', 'start', 'until', 'capture'].some((name) => params.has(name));
  const capturing = params.get('capture') === '1';
  const recordClock = params.get('clock') === '1';
  // keys=N:KEY,...: KEY pressed and released once N presentation frames
  // were shown (KEY: a name below or a key code).
  const keyCodes = { Escape: 27, Space: 32, PageUp: 33, PageDown: 34, Home: 36, O: 79, P: 80 };
  const scriptedKeys = (params.get('keys') || '').split(',').filter(Boolean).map((entry) => {
    const [frame, key] = entry.split(':');
    return { frame: Number(frame), code: keyCodes[key] || Number(key) };
  });
  let presentationFramesShown = 0;
  const sizes = ['640x480', '800x600', '1024x768', '1280x720', '1280x960', '1920x1080'];

  const stage = document.getElementById('stage');
  const canvas = document.getElementById('canvas');
  const startPanel = document.getElementById('start');
  const playButton = document.getElementById('play');
  const fullScreenBox = document.getElementById('fullscreen');
  const sizeList = document.getElementById('size');
  const statusLine = document.getElementById('status');

  const messages = [];  // standard error of the run: shown when it fails
  const clockReadings = [];
  let stepBegan = null;
  let posts = Promise.resolve();  // captured frames go out in order
  let player = null;
  let ended = false;
  let firstFrameMs = null;  // since the page was opened: the loading screen's first
  let firstPresentationMs = null;  // and the presentation's first

  function post(name, body, type) {
    posts = posts.then(() => fetch('capture/' + name, {
      method: 'POST', body, headers: { 'Content-Type': type },
    })).catch((error) => console.error('capture: ' + error));
    return posts;
  }

  function showPanel(caption, text, again) {
    const panel = document.getElementById('message');
    document.getElementById('message-caption').textContent = caption;
    document.getElementById('message-text').textContent = text;
    document.getElementById('again').hidden = !again;
    panel.hidden = false;
  }

  function leaveFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    if (navigator.keyboard && navigator.keyboard.unlock) navigator.keyboard.unlock();
  }

  function enterFullScreen() {
    if (!stage.requestFullscreen) return;
    stage.requestFullscreen().then(() => {
      // Escape is the player's (it ends the presentation) rather than only
      // the browser's way out of full screen.
      if (navigator.keyboard && navigator.keyboard.lock)
        navigator.keyboard.lock(['Escape']).catch(() => {});
    }, () => {});
  }

  document.addEventListener('keydown', (event) => {
    if (event.key !== 'F1' || !player) return;
    event.preventDefault();
    if (document.fullscreenElement) leaveFullScreen(); else enterFullScreen();
  });

  // Frames the player wrote into /capture since the last look go out and
  // leave the virtual file system.
  function sendCapturedFrames() {
    if (!capturing || !player) return;
    let names = [];
    try { names = player.FS.readdir('/capture'); } catch (e) { return; }
    for (const name of names.filter((n) => n.endsWith('.png')).sort()) {
      const path = '/capture/' + name;
      post(name, player.FS.readFile(path), 'image/png');
      player.FS.unlink(path);
    }
  }

  function pressScriptedKeys(frame) {
    for (const key of scriptedKeys.filter((k) => k.frame === frame)) {
      for (const type of ['keydown', 'keyup'])
        window.dispatchEvent(new KeyboardEvent(type, { keyCode: key.code, bubbles: true }));
    }
  }

  function finish(exitStatus) {
    if (ended) return;
    ended = true;
    // As the shell sees a program's status: exit(-1) is 255.
    const status = exitStatus & 255;
    sendCapturedFrames();
    leaveFullScreen();
    if (status !== 0) {
      showPanel('The presentation stopped (status ' + status + ')',
                messages.join('\n') || 'No message.', !hooked);
    } else if (!hooked) {
      showPanel('The end', '', true);
    }
    document.title = document.title.replace(/^(\[.*\] )?/, '[status ' + status + '] ');
    document.body.dataset.status = String(status);
    if (hooked || autoplay) {
      const panel = document.getElementById('message');
      const report = {
        status, messages, clock: clockReadings, firstFrameMs, firstPresentationMs,
        decodings: player && player.dpDecoded ? player.dpDecoded.byId.length - 1 : 0,
        shown: panel.hidden ? null : {
          caption: document.getElementById('message-caption').textContent,
          text: document.getElementById('message-text').textContent,
        },
      };
      post('exit', JSON.stringify(report), 'application/json');
    }
  }

  async function fetchDemo() {
    const response = await fetch('demo.json', { cache: 'no-cache' });
    if (!response.ok) throw new Error('demo.json: ' + response.status + ' ' + response.statusText);
    const demo = await response.json();
    const files = new Map();
    let done = 0;
    const fetchOne = async (path) => {
      const reply = await fetch(path.split('/').map(encodeURIComponent).join('/'));
      if (!reply.ok) throw new Error(path + ': ' + reply.status + ' ' + reply.statusText);
      files.set(path, new Uint8Array(await reply.arrayBuffer()));
      statusLine.textContent = 'Loading the demo\'s files… ' + (++done) + ' of ' + total;
    };
    const wanted = demo.files.map((name) => 'demo/' + name).concat(['fonts/overlay.ttf']);
    const total = wanted.length;
    await Promise.all(wanted.map(fetchOne));
    return { demo, files };
  }

  function writeFiles(FS, files) {
    const made = new Set();
    const makeFolders = (path) => {
      const parts = path.split('/').slice(0, -1);
      let at = '';
      for (const part of parts) {
        at += '/' + part;
        if (!made.has(at)) {
          try { FS.mkdir(at); } catch (e) { /* already there */ }
          made.add(at);
        }
      }
    };
    for (const [path, bytes] of files) {
      makeFolders(path);
      FS.writeFile('/' + path, bytes);
    }
    if (capturing) makeFolders('capture/x');
  }

  function argumentsFor(demo) {
    const args = ['-C', '/demo'];
    const size = params.get('mode') || (hooked || autoplay ? demo.mode : sizeList.value);
    args.push('--mode', size || '640x480');
    if (params.has('msaa')) args.push('--msaa', params.get('msaa'));
    if (params.has('fixedFps')) args.push('--fixed-fps', params.get('fixedFps'));
    if (params.has('start')) args.push('--start', params.get('start'));
    if (params.has('until')) args.push('--until', params.get('until'));
    if (capturing) args.push('--capture', '/capture');
    if (hooked) args.push('--batch');
    return args;
  }

  function run(loaded, audioContext) {
    startPanel.hidden = true;
    canvas.hidden = false;
    stage.style.backgroundImage = 'none';
    if (params.get('scale') === 'nearest') canvas.classList.add('nearest');
    canvas.focus();
    const module = {
      canvas,
      audioContext,
      print: (text) => console.log(text),
      printErr: (text) => { console.warn(text); messages.push(text); },
      showMessage: (text, caption) => {
        if (!hooked) showPanel(caption, text, false);
      },
      // Every end of the program passes here: main's return (main ends the
      // runtime itself, see main.cpp), exit and a fatal stop alike.
      onExit: (status) => finish(status),
      onAbort: (what) => {
        messages.push('The player stopped: ' + what);
        finish(134);
      },
      // The browser is about to call the player's step (Emscripten's main
      // loop): the clock readings time the step up to its frame.
      preMainLoop: () => { stepBegan = performance.now(); },
      onFrameShown: () => {
        const now = performance.now();
        const loading = player ? player._dp_web_loading() !== 0 : true;
        if (firstFrameMs === null) firstFrameMs = now;
        if (firstPresentationMs === null && !loading) firstPresentationMs = now;
        sendCapturedFrames();
        if (!loading) pressScriptedKeys(++presentationFramesShown);
        if (recordClock && player && !loading)
          clockReadings.push([player._dp_web_music_time(),
                              audioContext ? audioContext.currentTime : null, now / 1000,
                              stepBegan === null ? null : now - stepBegan]);
      },
      preRun: [() => writeFiles(module.FS, loaded.files)],
    };
    createPlayer(module).then((instance) => {
      player = instance;
      instance.callMain(argumentsFor(loaded.demo));
    }, (error) => {
      messages.push(String(error));
      finish(134);
    });
  }

  function offerStart(loaded) {
    const demo = loaded.demo;
    document.title = demo.title || 'demoplayer';
    document.getElementById('title').textContent = demo.title || 'demoplayer';
    const picture = demo.loadingScreen && loaded.files.get('demo/' + demo.loadingScreen);
    if (picture) {
      const url = URL.createObjectURL(new Blob([picture]));
      stage.style.backgroundImage = 'url("' + url + '")';
    }
    const fits = sizes.filter((size) => {
      const [w, h] = size.split('x').map(Number);
      return w <= screen.width * devicePixelRatio && h <= screen.height * devicePixelRatio;
    });
    for (const size of fits.length ? fits : sizes.slice(0, 1)) sizeList.add(new Option(size, size));
    const preferred = demo.mode && fits.includes(demo.mode) ? demo.mode : '1024x768';
    if (fits.includes(preferred)) sizeList.value = preferred;
    statusLine.textContent = '';
    playButton.disabled = false;
    playButton.focus();
    playButton.addEventListener('click', () => {
      // Both need the click itself: browsers start sound and full screen
      // only for a person's action.
      if (fullScreenBox.checked) enterFullScreen();
      const audioContext = new (window.AudioContext || window.webkitAudioContext)();
      audioContext.resume();
      run(loaded, audioContext);
    }, { once: true });
  }

  document.getElementById('again').addEventListener('click', () => location.reload());

  if (!hooked) startPanel.hidden = false;
  fetchDemo().then((loaded) => {
    if (hooked) return run(loaded, undefined);
    if (autoplay) {
      const audioContext = new (window.AudioContext || window.webkitAudioContext)();
      audioContext.resume();
      return run(loaded, audioContext);
    }
    offerStart(loaded);
  }, (error) => {
    messages.push('The demo cannot be loaded: ' + error.message);
    startPanel.hidden = true;
    finish(2);
  });
})();
