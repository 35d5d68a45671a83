// The tests' OAuth2 / OpenID Connect authorization server on loopback: the provider that Microsoft
// and Google stand for in the tests. Clients:
//   microsoft-shaped  public client (no secret), PKCE, loopback redirect on any port
//   google-shaped     desktop client with its (not secret) secret, PKCE, loopback redirect
//   dovecot           the POP3 server, which asks the introspection endpoint about each token
// Any login name signs in (its password is not checked) and becomes the token's subject.
// Prints one line of JSON, {"issuer": ...}, once it listens; ends when its input closes.
//
// Test-only endpoints:
//   POST /test/revoke?sub=NAME   every token of NAME is destroyed (a password change at the provider)
//   GET  /test/grants            how many tokens each grant type gave: {"authorization_code":1,...}
import http from 'node:http';
import Provider from 'oidc-provider';

const accessTokenSeconds = Number(process.env.ACCESS_TOKEN_SECONDS || 3600);

const server = http.createServer();
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const issuer = `http://127.0.0.1:${server.address().port}`;

const loopback = ['http://127.0.0.1/'];
const provider = new Provider(issuer, {
  clients: [
    {
      client_id: 'microsoft-shaped',
      application_type: 'native',
      token_endpoint_auth_method: 'none',
      redirect_uris: loopback,
      grant_types: ['authorization_code', 'refresh_token'],
      response_types: ['code'],
    },
    {
      client_id: 'google-shaped',
      client_secret: 'desktop-client-secret',
      application_type: 'native',
      token_endpoint_auth_method: 'client_secret_post',
      redirect_uris: loopback,
      grant_types: ['authorization_code', 'refresh_token'],
      response_types: ['code'],
    },
    {
      client_id: 'dovecot',
      client_secret: 'dovecot-secret',
      redirect_uris: [],
      grant_types: [],
      response_types: [],
    },
  ],
  scopes: ['openid', 'offline_access', 'https://outlook.office.com/POP.AccessAsUser.All',
    'https://mail.google.com/'],
  features: {
    devInteractions: { enabled: true },
    introspection: { enabled: true },
    revocation: { enabled: true },
  },
  // As Google does, a refresh token for every client that may use one, offline_access or not.
  issueRefreshToken: async (ctx, client) => client.grantTypeAllowed('refresh_token'),
  ttl: {
    AccessToken: accessTokenSeconds,
    AuthorizationCode: 120,
    Interaction: 600,
    Session: 3600,
    Grant: 3600,
    RefreshToken: 3600,
  },
  findAccount: async (ctx, id) => ({ accountId: id, claims: async () => ({ sub: id }) }),
});
provider.proxy = false;

const tokens = [];
provider.on('access_token.saved', (token) => tokens.push(token));
provider.on('refresh_token.saved', (token) => tokens.push(token));
const grants = {};
provider.on('grant.success', (ctx) => {
  const type = ctx.oidc.params.grant_type;
  grants[type] = (grants[type] || 0) + 1;
});
provider.on('server_error', (ctx, error) => console.error('server_error', error));

const callback = provider.callback();
server.on('request', async (req, res) => {
  const url = new URL(req.url, issuer);
  if (url.pathname === '/test/revoke') {
    const sub = url.searchParams.get('sub');
    let destroyed = 0;
    for (const token of tokens.filter((t) => t.accountId === sub)) {
      await token.destroy();
      destroyed += 1;
    }
    res.writeHead(200, { 'content-type': 'application/json' });
    res.end(JSON.stringify({ destroyed }));
    return;
  }
  if (url.pathname === '/test/grants') {
    res.writeHead(200, { 'content-type': 'application/json' });
    res.end(JSON.stringify(grants));
    return;
  }
  callback(req, res);
});

console.log(JSON.stringify({ issuer }));
process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
