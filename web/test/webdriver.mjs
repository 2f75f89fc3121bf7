// A small W3C WebDriver client, enough to drive WebKitGTK's MiniBrowser
// (the engine of Safari and of every browser on an iPad) through Debian's
// WebKitWebDriver. Debian 12's MiniBrowser has no headless mode: the driver
// runs under xvfb-run, in a process group of its own that close() ends.
import { spawn } from 'node:child_process';
import net from 'node:net';

const elementKey = 'element-6066-11e4-a52e-4f735466cecf';
const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

async function freePort() {
    const server = net.createServer();
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const { port } = server.address();
    await new Promise((resolve) => server.close(resolve));
    return port;
}

export class WebKitSession {
    static async start() {
        const port = await freePort();
        const driver = spawn('xvfb-run', ['-a', '-s', '-screen 0 1280x1024x24', 'WebKitWebDriver', `--port=${port}`],
            { detached: true, stdio: 'ignore' });
        const base = `http://127.0.0.1:${port}`;
        for (let i = 0; ; ++i) {
            try {
                if ((await fetch(`${base}/status`)).ok) break;
            } catch {
                if (i > 300) throw new Error('WebKitWebDriver did not start');
            }
            await new Promise((resolve) => setTimeout(resolve, 100));
        }
        const { sessionId } = await send(base, 'POST', '/session', {
            capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] } } },
        });
        return new WebKitSession(driver, `${base}/session/${sessionId}`);
    }

    constructor(driver, base) {
        this.driver = driver;
        this.base = base;
    }

    goto(url) {
        return send(this.base, 'POST', '/url', { url });
    }

    // Runs `script` (a function's source) in the page with `args`; its value.
    run(script, ...args) {
        return send(this.base, 'POST', '/execute/async', {
            script: `const done = arguments[arguments.length - 1];
                Promise.resolve((${script})(...Array.prototype.slice.call(arguments, 0, -1)))
                    .then((value) => done({ value }), (e) => done({ error: String(e && e.stack || e) }));`,
            args,
        }).then(({ value, error }) => {
            if (error) throw new Error(error);
            return value;
        });
    }

    // Waits until `script` gives a true value.
    async until(script, what, ms = 600000, ...args) {
        const end = Date.now() + ms;
        while (!(await this.run(script, ...args))) {
            if (Date.now() > end) throw new Error(`WebKit: timed out waiting for ${what}`);
            await new Promise((resolve) => setTimeout(resolve, 100));
        }
    }

    // Gives a file input these files, as a user choosing them would.
    async upload(selector, files) {
        const found = await send(this.base, 'POST', '/element', { using: 'css selector', value: selector });
        await send(this.base, 'POST', `/element/${found[elementKey]}/value`, { text: files.join('\n') });
    }

    async close() {
        await send(this.base, 'DELETE', '').catch(() => {});
        try {
            process.kill(-this.driver.pid);
        } catch {
            // already gone
        }
    }
}

async function send(base, method, path, body) {
    const response = await fetch(base + path, {
        method,
        headers: { 'Content-Type': 'application/json' },
        body: body === undefined ? undefined : JSON.stringify(body),
    });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${path}: ${value?.error}: ${value?.message}`);
    return value;
}
