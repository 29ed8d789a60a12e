// The page around the game: loads the player's files from the browser's storage
// and stores them again after every write, waits for a key (a page may make sounds
// only after one), starts the program, and offers to play again once it has ended.
// window.zolvexPage is what the page tells of itself, and its test interface.
(function () {
  'use strict';
  var kGameFolder = '/save/zolvex'; // the player's files (WebMain.cpp)
  var kStorage = '/save'; // kept in the browser's IndexedDB
  var params = new URLSearchParams(window.location.search);
  var replay = params.get('replay');
  var verify = replay !== null && params.get('verify') === '1';

  var notice = document.getElementById('notice');
  var ended = document.getElementById('ended');
  var page = (window.zolvexPage = {
    status: 'loading',
    error: null,
    framesPresented: 0,
    firstFrameMs: null,
    syncs: 0,
    pendingSync: false,
    verifyResult: null,
    // performance.now() when the page was ready for its key, and when the game started.
    readyMs: null,
    startedMs: null,
    canvas: document.getElementById('screen'),
  });

  function line(text) {
    console.error('zolvex: ' + text);
  }

  // `said`: the line is on the console already.
  function fail(text, said) {
    if (page.status === 'error') return;
    page.status = 'error';
    page.error = text;
    if (!said) line(text);
    notice.textContent = text;
    notice.hidden = false;
  }

  function gamePath(path) {
    return path === '' ? kGameFolder : kGameFolder + '/' + path.replace(/^\/+/, '');
  }

  // Storing the player's files: one flush at a time; writes made while one is in
  // flight are stored by the next.
  var flushScheduled = false;
  var flushing = false;
  var storeFailed = false;
  var inMemory = false; // the browser has no storage for the page
  var channel = 'BroadcastChannel' in window ? new BroadcastChannel('zolvex-storage') : null;

  function updatePending() {
    page.pendingSync = flushScheduled || flushing;
  }

  function scheduleFlush() {
    if (flushScheduled) return;
    flushScheduled = true;
    updatePending();
    // After the program's current step, so that a write and its rename go together.
    setTimeout(flush, 0);
  }

  function flush() {
    if (flushing) return;
    flushScheduled = false;
    if (inMemory) {
      updatePending();
      return;
    }
    flushing = true;
    updatePending();
    Module.FS.syncfs(false, function (error) {
      flushing = false;
      if (error) {
        // Said once: without the browser's storage every write would fail alike.
        if (!storeFailed) line('cannot store the player\'s files in the browser (' + error + ')');
        storeFailed = true;
      } else {
        page.syncs += 1;
        if (channel !== null) channel.postMessage('stored');
      }
      if (flushScheduled) {
        flush();
      } else {
        updatePending();
      }
    });
  }

  // Another tab of the game stored its files: this one takes them in while it has
  // nothing of its own to store, so its next write starts from them (the game reads
  // a table again before it stores it).
  if (channel !== null) {
    channel.onmessage = function () {
      if (page.status === 'loading' || page.pendingSync) return;
      flushing = true;
      updatePending();
      Module.FS.syncfs(true, function (error) {
        flushing = false;
        if (error) line('cannot read the player\'s files another tab stored (' + error + ')');
        if (flushScheduled) {
          flush();
        } else {
          updatePending();
        }
      });
    };
  }

  function underStorage(path) {
    return typeof path === 'string' && (path === kStorage || path.indexOf(kStorage + '/') === 0);
  }

  // Every change the program makes to the player's files is stored when it is done.
  function watchWrites(FS) {
    var close = FS.close;
    FS.close = function (stream) {
      var path = stream.path;
      var writing = (stream.flags & 3) !== 0;
      var result = close.apply(this, arguments);
      if (writing && underStorage(path)) scheduleFlush();
      return result;
    };
    ['rename', 'unlink', 'rmdir', 'mkdir'].forEach(function (name) {
      var original = FS[name];
      FS[name] = function (path) {
        var result = original.apply(this, arguments);
        if (underStorage(path)) scheduleFlush();
        return result;
      };
    });
  }

  function makeFolders(FS, path) {
    var parts = path.split('/').slice(1, -1);
    var at = '';
    parts.forEach(function (part) {
      at += '/' + part;
      try {
        FS.mkdir(at);
      } catch (e) {}
    });
  }

  page.lastFrameRGBA = function () {
    var frame = typeof ZolvexWeb !== 'undefined' ? ZolvexWeb.lastFrame() : null;
    return frame !== null ? frame : new Uint8Array(640 * 480 * 4);
  };
  page.listFiles = function (dir) {
    try {
      var FS = Module.FS;
      var folder = gamePath(dir);
      return FS.readdir(folder).filter(function (name) {
        return name !== '.' && name !== '..' && FS.isFile(FS.stat(folder + '/' + name).mode);
      });
    } catch (e) {
      return [];
    }
  };
  page.readFile = function (path) {
    try {
      var bytes = Module.FS.readFile(gamePath(path));
      var text = '';
      for (var i = 0; i < bytes.length; i += 8192) {
        text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
      }
      return text;
    } catch (e) {
      return null;
    }
  };
  page.writeFile = function (path, binary) {
    var FS = Module.FS;
    var bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i) & 0xff;
    var target = gamePath(path);
    makeFolders(FS, target);
    FS.writeFile(target, bytes);
    scheduleFlush();
  };

  // The error box: shown over the game until Enter, Esc, Space or OK.
  page.showErrorBox = function (caption, text, detail) {
    var box = document.getElementById('error-box');
    document.getElementById('error-caption').textContent = caption;
    document.getElementById('error-text').textContent = text;
    document.getElementById('error-detail').textContent = detail;
    box.hidden = false;
    page.failure = detail || text;
    return new Promise(function (resolve) {
      function done() {
        box.hidden = true;
        window.removeEventListener('keydown', onKey, true);
        resolve();
      }
      function onKey(event) {
        if (event.key === 'Enter' || event.key === 'Escape' || event.key === ' ') {
          event.preventDefault();
          event.stopImmediatePropagation();
          done();
        }
      }
      window.addEventListener('keydown', onKey, true);
      document.getElementById('error-ok').onclick = done;
    });
  };

  page.runEnded = function (code) {
    if (page.status === 'error') return;
    // A run that could not start has said why in its error box.
    if (code !== 0 && page.failure) {
      fail(page.failure, true);
      return;
    }
    if (verify && page.verifyResult === null) {
      fail('the replay could not be checked (status ' + code + '); the console says why', true);
      return;
    }
    if (code !== 0 && page.framesPresented === 0 && !verify) {
      fail('the game could not start (status ' + code + '); the console says why', true);
      return;
    }
    page.status = 'ended';
    page.exitCode = code;
    if (verify) return;
    ended.hidden = false;
    document.getElementById('play-again').focus();
  };

  document.getElementById('play-again').onclick = function () {
    // The title again, once every file is stored.
    var wait = function () {
      if (page.pendingSync) {
        setTimeout(wait, 20);
      } else {
        window.location.href = window.location.pathname;
      }
    };
    wait();
  };

  function start() {
    page.startedMs = performance.now();
    page.status = 'running';
    notice.hidden = true;
    var args = [];
    if (verify) {
      args = ['--verify', replay];
    } else {
      ZolvexWeb.startAudio(audioContext);
      if (replay !== null) args = ['--replay', replay];
    }
    try {
      Module.callMain(args);
    } catch (e) {
      if (e && e.name !== 'ExitStatus') fail('the game stopped: ' + (e.message || e));
    }
  }

  // Making the sound's context can take a good part of a second (0.45 s in a headless
  // browser here), so it is made while the page waits for its key; browsers keep it
  // suspended until that key. A key pressed sooner makes it itself.
  var audioContext = null;
  function prepareAudio() {
    if (audioContext !== null || page.status !== 'press-key') return;
    var Context = window.AudioContext || window.webkitAudioContext;
    try {
      if (Context) audioContext = new Context();
    } catch (e) {
      line('cannot start the sound: ' + e.message);
    }
  }

  // Any key starts the game; neither its press nor its release reaches the game.
  var startCode = null;
  window.addEventListener(
    'keydown',
    function (event) {
      if (page.status !== 'press-key') return;
      event.preventDefault();
      event.stopImmediatePropagation();
      startCode = event.code;
      start();
    },
    true);
  window.addEventListener(
    'keyup',
    function (event) {
      if (startCode === null || event.code !== startCode) return;
      startCode = null;
      event.preventDefault();
      event.stopImmediatePropagation();
    },
    true);

  function ready() {
    if (page.status !== 'loading') return;
    if (verify) {
      start();
      return;
    }
    page.readyMs = performance.now();
    page.status = 'press-key';
    notice.textContent = 'Press any key to play';
    setTimeout(prepareAudio, 50);
  }

  window.addEventListener('error', function (event) {
    if (page.status === 'loading' || page.status === 'running') {
      fail('the page failed: ' + event.message);
    }
  });
  // The program's script itself may not arrive.
  window.addEventListener(
    'error',
    function (event) {
      if (event.target && event.target.tagName === 'SCRIPT') {
        fail('cannot load ' + event.target.src + ' from the server');
      }
    },
    true);

  window.Module = {
    print: function (text) {
      console.log(text);
    },
    printErr: function (text) {
      console.error(text);
    },
    onAbort: function (what) {
      fail('the game stopped: ' + what);
    },
    preRun: [
      function () {
        var FS = Module.FS;
        FS.mkdir(kStorage);
        FS.mount(FS.filesystems.IDBFS, {}, kStorage);
        Module.addRunDependency('zolvex-storage');
        FS.syncfs(true, function (error) {
          // Without the browser's storage the game still plays; its files last as long
          // as the page (in memory, where a write's flush has nothing to wait for).
          if (error) {
            line('cannot use the browser\'s storage (' + error + '): the player\'s files ' +
                 'last only as long as the page');
            inMemory = true;
            FS.unmount(kStorage);
            FS.mount(FS.filesystems.MEMFS, {}, kStorage);
          }
          // Only now: a flush before the load would store an empty folder over them.
          watchWrites(FS);
          Module.removeRunDependency('zolvex-storage');
        });
      },
    ],
    onRuntimeInitialized: ready,
  };
})();
